#include "game/story/scenetutor.h"

#include <tinyxml.h>

#include "game/shell/widgets/commonsound.h"
#include "game/shell/data/gameprogress.h"
#include "platform/log.h"
#include "script/bind.h"

SceneTutor_t::SceneTutor_t(TWindow* owner) : owner_(owner) {}

SceneTutor_t::~SceneTutor_t() {
  bindings_.reset();
  tutor_.reset();
}

void SceneTutor_t::OnLevelLoaded(const TiXmlElement* level, const TString& record) {
  bindings_.reset();
  tutor_.reset();
  shownName_ = TString();
  opened_ = false;
  if (!level || !level->FirstChildElement("TutorScripts")) return;
  // Bound first: the first step's statements run while the tutorial loads.
  // Without a tutorial the two do nothing.
  bindings_ = MakeScriptBindings();
  if (bindings_) {
    bindings_->Bind("StartTutor", this, &SceneTutor_t::StartTutor);
    bindings_->Bind("FinishTutor", this, &SceneTutor_t::FinishTutor);
  }
  if (!record.IsEmpty()) {
    shownName_ = ShownName(record);
    if (GetGameProgress().IsShown(shownName_)) return;
  }
  tutor_ = std::make_unique<TutorScripts_t>();
  tutor_->Load(owner_, level);
}

void SceneTutor_t::OnEvent(const TString& name) {
  if (tutor_) tutor_->OnEvent(name);
}

void SceneTutor_t::OnObjectFound(const TString& picture) {
  if (tutor_) tutor_->MarkFound(picture);
}

void SceneTutor_t::OnSceneClick(const TPoint& p) {
  if (tutor_) tutor_->OnClickRect(p);
}

void SceneTutor_t::Resume() {
  if (tutor_) tutor_->HideCurrentScreen();
}

void SceneTutor_t::Update(float dt, bool mayOpen, int view) {
  if (!tutor_) return;
  if (tutor_->IsActive()) tutor_->Update(dt, view, mayOpen);
  tutor_->StepNotice(dt);
  RememberShown();
}

void SceneTutor_t::RememberShown() {
  if (tutor_->IsBoxUp()) opened_ = true;
  if (!opened_ || tutor_->IsActive() || shownName_.IsEmpty()) return;
  GameProgress& progress = GetGameProgress();
  if (progress.IsShown(shownName_)) return;
  progress.MarkShown(shownName_);
  SaveGameUserInfo();
  TraceOut("Tutorial: over; remembered as %s", shownName_.c_str());
}

bool SceneTutor_t::IsBoxShown() const { return tutor_ && tutor_->IsBoxShown(); }

bool SceneTutor_t::IsBlocking() const {
  if (!IsBoxShown()) return false;
  const TutorItem_t* item = tutor_->GetCurrentItemPtr();
  bool clickArea = item->HasImage() && !item->clickRect.IsEmpty();
  return !clickArea && item->allowedRects.empty();
}

void SceneTutor_t::Draw() {
  if (!tutor_) return;
  tutor_->DrawShadow();
  tutor_->Draw();
}

bool SceneTutor_t::OnMouseDown(const TPoint& p) { return tutor_ && tutor_->OnMouseDown(p); }
bool SceneTutor_t::OnMouseUp(const TPoint& p) { return tutor_ && tutor_->OnMouseUp(p); }
bool SceneTutor_t::OnMouseMove(const TPoint& p) { return tutor_ && tutor_->OnMouseMove(p); }
bool SceneTutor_t::OnCommand(TMessage* message) { return tutor_ && tutor_->OnCommand(message); }

bool SceneTutor_t::OnKey(unsigned char c) { return tutor_ && tutor_->OnKey(c); }

TString SceneTutor_t::GetCursor(const TPoint& p) {
  return tutor_ && tutor_->IsOverClickRect(p) ? TString("cursor/hand") : TString();
}

void SceneTutor_t::StartTutor(int id) {
  if (tutor_) tutor_->StartScreen(id);
}

void SceneTutor_t::FinishTutor() {
  if (tutor_) tutor_->FinishAll();
}
