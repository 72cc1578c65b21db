#pragma once
// The pipe client's judgement of a reply, apart from the pipe.

#include <cstddef>

#include "library/launch_shell/launch_shell.h"

namespace launch_shell::detail {

// Ok for exactly one PipeMessage-sized reply whose code is Done, whatever
// its path holds; AcknowledgementMalformed otherwise. bytes may be null when
// count is 0.
PipeClientStatus CheckAcknowledgement(const void* bytes, size_t count);

}  // namespace launch_shell::detail
