#include "desktop/thread_start.h"

namespace corvalis {

UniqueKernelHandle startThread(LPTHREAD_START_ROUTINE routine, void* parameter) {
  if (routine == nullptr) return UniqueKernelHandle();
  return UniqueKernelHandle(CreateThread(nullptr, 0, routine, parameter, 0, nullptr));
}

}  // namespace corvalis
