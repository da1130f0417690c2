// Draining the calling thread's message queue without waiting.
#pragma once

namespace corvalis {

// Translates and dispatches the messages already queued for this thread until the
// queue is empty or the next message is WM_QUIT, which stays queued for the
// thread's message loop. Never blocks.
void processPendingMessages();

}  // namespace corvalis
