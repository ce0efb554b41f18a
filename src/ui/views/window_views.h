#pragma once
// The views of the window: the command script editor, the result log and the SRAM contents. The
// kinds it does not make yet come from the factory it is given.

#include "ui/views/view_factory.h"

#include <memory>

namespace cellwatch {

std::unique_ptr<ViewFactory> makeWindowViewFactory(std::unique_ptr<ViewFactory> others);

} // namespace cellwatch
