// The definition's pixel fonts as Qt fonts, with close faces where the Windows ones are missing.
#pragma once

#include <QFont>

#include "platform/WindowDefinition.h"

namespace zrflash::platform::linux_port {

// The requested face comes first; Liberation Sans (the metrics of the Windows sans faces) and
// DejaVu Sans stand in when it is not installed. Sizes are pixel heights, never scaled.
QFont FontOf(const FontDefinition& definition);

}  // namespace zrflash::platform::linux_port
