#pragma once

#include <QString>

namespace velmora {

// Bytes the text takes in the Japanese double-byte code page (CP932): 1 for single-byte
// characters, 2 for double-byte ones ("㎝" included). A character the code page lacks
// counts as the one "?" it would become.
int shiftJisByteCount(const QString& text);

} // namespace velmora
