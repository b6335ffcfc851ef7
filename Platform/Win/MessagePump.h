// The thread's message queue. Nothing here creates windows that receive
// posted messages, so the queue is always empty: PeekMessage answers that
// there is no message.
#pragma once

#include <cstdint>

namespace win {

struct MSG {
    void* window = nullptr;
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
    uint32_t time = 0;
};

enum : uint32_t {
    PM_NOREMOVE = 0,
    PM_REMOVE = 1,
};

// False: no message for the window (null: any) in the range first-last
// (0, 0: all).
bool PeekMessage(MSG* msg, void* window, uint32_t first, uint32_t last, uint32_t removeFlags);
bool TranslateMessage(const MSG* msg);
intptr_t DispatchMessage(const MSG* msg);

}  // namespace win
