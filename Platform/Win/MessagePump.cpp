#include "MessagePump.h"

namespace win {

bool PeekMessage(MSG*, void*, uint32_t, uint32_t, uint32_t) { return false; }

bool TranslateMessage(const MSG*) { return false; }

intptr_t DispatchMessage(const MSG*) { return 0; }

}  // namespace win
