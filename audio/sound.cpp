#include "audio/sound.h"

#include <vector>

#include "audio/datasource.h"
#include "audio/soundmanager.h"
#include "platform/log.h"

namespace {
// The base name (before the first '?') and the group of a "group=" option.
void ParseSoundName(const TString& name, TString* baseName, int* group) {
  *baseName = name;
  int question = name.FindChar('?');
  if (question < 0) return;
  int option = name.Find("group=");
  if (option >= 0) *group = name.Substring(option + 6).ToInt();
  *baseName = name.Substring(0, question);
}

TString SoundKey(const TString& baseName, bool preload, int group) {
  return TString::Printf("%s;%d;%d", baseName.c_str(), preload ? 1 : 0, group);
}
}  // namespace

TString MakeSoundKey(const TString& baseName, const TString& nameWithOptions) {
  TString ignored;
  int group = 0;
  ParseSoundName(nameWithOptions, &ignored, &group);
  return SoundKey(baseName, false, group);
}

// ---------------------------------------------------------------------------
// Instances

std::atomic<long> TSoundInstance::live_{0};

TSoundInstance::TSoundInstance(TSoundStream* stream, const boost::shared_ptr<TSound>& sound)
    : stream_(stream), sound_(sound) {
  ++live_;
}

void TSoundInstance::SetVolume(float volume) {
  if (stream_) stream_->SetVolume(volume);
}

void TSoundInstance::Stop() {
  if (boost::shared_ptr<TSound> sound = sound_.lock()) sound->StopInstance(shared_from_this());
}

void TSoundData::OnStreamEnd(TSoundStream* stream) {
  for (auto it = instances.begin(); it != instances.end(); ++it) {
    if (it->second->GetStream() == stream) {
      instances.erase(it);
      return;
    }
  }
}

// ---------------------------------------------------------------------------
// Sounds

TSound::TSound() : data_(new TSoundData) { data_->sound = this; }

TSound::~TSound() {
  TSoundLock lock;
  data_->sound = nullptr;
  StopAll();
  data_.reset();
}

boost::shared_ptr<TSound> TSound::Get(const TString& name, bool preload, int group) {
  if (name.IsEmpty()) return boost::shared_ptr<TSound>();
  TString baseName;
  ParseSoundName(name, &baseName, &group);
  TString key = SoundKey(baseName, preload, group);
  TAssetManager* registry = GetAssetManager();
  if (registry) {
    if (boost::shared_ptr<TSound> live = AssetCast<TSound>(registry->Find(key))) return live;
  }
  boost::shared_ptr<TSound> sound(new TSound);
  if (registry) registry->Add(key, sound);
  sound->data_->baseName = baseName;
  sound->data_->group = group;
  boost::shared_ptr<TSoundDataSource> source = CreateSoundDataSource(baseName, !preload);
  if (!source) {
    TraceOut("TSound::Get: No valid sound file found: %s", baseName.c_str());
    return boost::shared_ptr<TSound>();
  }
  sound->data_->source = source;
  return sound;
}

boost::shared_ptr<TSoundInstance> TSound::Play(bool loop) {
  if (!data_ || !data_->source) {
    TraceOut("Play of uninitialized sound");
    return boost::shared_ptr<TSoundInstance>();
  }
  TSoundManager* manager = GetSoundManager();
  if (!manager) {
    TraceOut("No Sound Manager");
    return boost::shared_ptr<TSoundInstance>();
  }
  TSoundLock lock;  // the streaming thread sees the stream only once it has started
  boost::shared_ptr<TSoundDataSource> source = data_->source;
  auto* stream = new TSoundStream(manager, new TStreamSpooler(source), loop, data_->group, data_);
  boost::shared_ptr<TSound> self = boost::static_pointer_cast<TSound>(shared_from_this());
  auto instance = boost::shared_ptr<TSoundInstance>(new TSoundInstance(stream, self));
  data_->instances[instance.get()] = instance;
  stream->SetInstance(instance);
  stream->Start(source->GetRate(), source->GetChannels(), 16, TSoundStream::kBufferSeconds);
  bool ring = loop || stream->GetBufferLength() <= source->GetLength();
  stream->Play(!ring);
  return instance;
}

bool TSound::StopInstance(const boost::shared_ptr<TSoundInstance>& instance) {
  TSoundLock lock;
  if (!instance) return false;
  data_->instances.erase(instance.get());
  TSoundStream* stream = instance->GetStream();
  if (stream && stream->IsNotifiedBy(data_.get())) stream->Stop(false);
  return true;
}

bool TSound::StopAll() {
  std::vector<boost::shared_ptr<TSoundInstance>> playing;
  for (const auto& entry : data_->instances) playing.push_back(entry.second);
  bool any = false;
  for (const auto& instance : playing) any = StopInstance(instance) || any;
  return any;
}
