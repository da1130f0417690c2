#include "launcher/icon_images.h"

#include <windows.h>
#include <objbase.h>

#include <algorithm>

#include "base/win_handles.h"
#include "launcher/icon_image.h"

namespace corvalis {

namespace {

enum class ImageState : unsigned char { waiting, making, made };

}  // namespace

// Shared by the window thread and the helpers; the fields below `lock` are guarded
// by it. Each helper holds a reference of its own, so nothing it touches can go
// before it ends.
struct IconImages::Work {
  std::vector<Text> paths;
  int side = kIconSide;
  ImageMaker make = nullptr;
  UniqueKernelHandle madeOne;  // auto-reset: set after every image a helper stores
  SRWLOCK lock = SRWLOCK_INIT;
  std::vector<ImageState> states;
  std::vector<ByteString> images;
  std::size_t nextForHelpers = 0;
  bool stopping = false;

  // Claims the next image nobody has begun, in order; false when none is left.
  bool claim(std::size_t& index) {
    AcquireSRWLockExclusive(&lock);
    bool claimed = false;
    while (!stopping && !claimed && nextForHelpers < states.size()) {
      index = nextForHelpers++;
      claimed = states[index] == ImageState::waiting;
    }
    if (claimed) states[index] = ImageState::making;
    ReleaseSRWLockExclusive(&lock);
    return claimed;
  }

  void store(std::size_t index, ByteString image) {
    AcquireSRWLockExclusive(&lock);
    images[index] = std::move(image);
    states[index] = ImageState::made;
    ReleaseSRWLockExclusive(&lock);
    SetEvent(madeOne.get());
  }
};

namespace {

// Waits for `object`, answering the messages other threads send meanwhile: a helper's
// lookup may run a shell icon handler that sends one to this thread's windows, and
// must not end up waiting on this wait.
void waitAnsweringSentMessages(HANDLE object) {
  while (MsgWaitForMultipleObjects(1, &object, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

DWORD WINAPI makeImages(void* parameter) {
  const std::unique_ptr<std::shared_ptr<IconImages::Work>> held(static_cast<std::shared_ptr<IconImages::Work>*>(parameter));
  IconImages::Work& work = **held;
  // One apartment for the whole run, so each lookup's own CoInitialize only counts up.
  const bool com = SUCCEEDED(CoInitialize(nullptr));
  std::size_t index = 0;
  while (work.claim(index)) work.store(index, work.make(work.paths[index], work.side));
  if (com) CoUninitialize();
  return 0;
}

}  // namespace

IconImages::IconImages(const std::vector<std::string_view>& paths, int side, ImageMaker maker)
    : work_(std::make_shared<Work>()) {
  work_->paths.assign(paths.begin(), paths.end());
  work_->side = side;
  work_->make = maker != nullptr ? maker : [](std::string_view path, int imageSide) { return iconImage(path, imageSide); };
  work_->states.assign(paths.size(), ImageState::waiting);
  work_->images.resize(paths.size());
  // The window thread makes the first image itself; helpers start at the second.
  work_->nextForHelpers = 1;
  const std::size_t wanted = paths.size() > 1 ? std::min(kHelpers, paths.size() - 1) : 0;
  if (wanted == 0) return;
  work_->madeOne.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!work_->madeOne) return;
  for (std::size_t i = 0; i < wanted; ++i) {
    auto held = std::make_unique<std::shared_ptr<Work>>(work_);
    UniqueKernelHandle thread(CreateThread(nullptr, 0, makeImages, held.get(), 0, nullptr));
    if (!thread) break;
    held.release();  // the helper owns its reference now
    helpers_.push_back(std::move(thread));
  }
}

IconImages::~IconImages() {
  AcquireSRWLockExclusive(&work_->lock);
  work_->stopping = true;
  ReleaseSRWLockExclusive(&work_->lock);
  for (const UniqueKernelHandle& helper : helpers_) waitAnsweringSentMessages(helper.get());
}

std::size_t IconImages::helperCount() const { return helpers_.size(); }

ByteString IconImages::take(std::size_t index) {
  Work& work = *work_;
  if (index >= work.states.size()) return ByteString();
  AcquireSRWLockExclusive(&work.lock);
  while (work.states[index] == ImageState::making) {
    ReleaseSRWLockExclusive(&work.lock);
    waitAnsweringSentMessages(work.madeOne.get());
    AcquireSRWLockExclusive(&work.lock);
  }
  if (work.states[index] == ImageState::made) {
    ByteString image = std::move(work.images[index]);
    work.images[index] = ByteString();
    ReleaseSRWLockExclusive(&work.lock);
    return image;
  }
  work.states[index] = ImageState::made;  // nobody began it: made here, nothing to wait for
  ReleaseSRWLockExclusive(&work.lock);
  return work.make(work.paths[index], work.side);
}

}  // namespace corvalis
