// What the tests' stand-in libraries (built from test_library.cpp as ExuiKrnln.dll in
// three variants) share with the tests: the log of calls they record, and the test-only
// exports through which a test drives them.
#pragma once

#include <cstdint>

namespace corvalis::uitest {

#if defined(__i386__)
#define UITEST_CALL __stdcall
#else
#define UITEST_CALL
#endif

inline constexpr int kMaxArguments = 16;
inline constexpr int kMaxCalls = 512;
inline constexpr int kCopiedBytes = 64;

// One call into the library as it arrived.
struct LoggedCall {
  char name[48];
  int argumentCount;
  std::intptr_t arguments[kMaxArguments];
  std::intptr_t result;
  // For calls that read a block or text: the bytes at the address during the call
  // (a block's header words included), and how many were copied.
  unsigned char copied[kCopiedBytes];
  int copiedCount;
  // Creation functions: the five context words as they stood during the call, and
  // whether every trailing argument was zero.
  std::uintptr_t context[5];
  bool trailingZeros;
};

struct CallLog {
  int count;
  LoggedCall calls[kMaxCalls];
};

// The record every control handle of the stand-in points to; the words the bridge
// reads lie at the library's offsets (8, 12, 20, 44).
struct StandInRecord {
  std::uint32_t words[12];
  void* window;
  void* routine;
};

// Test-only exports.
using TestCallLogFn = CallLog*(UITEST_CALL*)();
using TestClearLogFn = void(UITEST_CALL*)();
// Calls the event routine given at the control's creation with (record, code, a1..a4).
using TestFireEventFn = int(UITEST_CALL*)(std::intptr_t control, int code, int a1, int a2, int a3, int a4);
// Sets a word of the record (offset in bytes).
using TestSetWordFn = void(UITEST_CALL*)(std::intptr_t control, int offset, std::uint32_t value);
// What ControlSendMessage answers to 0x2803 from now on (copied; null: no block).
using TestSetExportFn = void(UITEST_CALL*)(const void* block, int size);

// The library handle the recording variant's handshake returns.
inline constexpr std::int32_t kRecordingLibraryHandle = 0x1234;
// What the stand-in answers to the bridge's notifications and queries.
inline constexpr std::intptr_t kNotifyGetAnswer = 77;
inline constexpr std::intptr_t kNotifySetAnswer = 88;
inline constexpr int kItemCountAnswer = 5;
inline constexpr int kInsertItemAnswer = 3;
inline constexpr std::intptr_t kStructureHandle = 0x5700;
// Pack_StructEx's block: [1][6]"packed".
inline constexpr char kPackedPayload[] = "packed";

}  // namespace corvalis::uitest
