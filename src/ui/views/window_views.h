#pragma once
// The views of the window: the design hierarchy, the trace list, the command script editor, the
// result log, the SRAM contents and the waveform, one for each ViewKind.

#include "ui/views/view_factory.h"

#include <memory>

namespace cellwatch {

std::unique_ptr<ViewFactory> makeWindowViewFactory();

} // namespace cellwatch
