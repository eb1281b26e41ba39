#pragma once

#include "desktop/icofile.h"

#include <cstddef>
#include <cstdint>
#include <optional>

// Icons stored in the resources of a Windows program (PE32 or PE32+ image).
namespace peicon {

// The largest image of the program's first icon group; none when the bytes are not a PE
// image, have no icon group, or any part of the way there lies outside the bytes.
std::optional<icofile::Image> firstGroupLargestIcon(const std::uint8_t* data, std::size_t size);

} // namespace peicon
