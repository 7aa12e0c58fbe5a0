#include "ui/message.h"

std::atomic<long> TMessage::live_{0};

TMessage::TMessage(uint32_t type_, const TString& text_, TWindow* target_) : type(type_), text(text_), target(target_) {
  ++live_;
}

TMessage::~TMessage() { --live_; }

TMessageClassId TMessage::ClassId() {
  static const char tag = 0;
  return &tag;
}
