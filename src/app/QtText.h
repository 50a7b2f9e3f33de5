#pragma once

#include <QString>

#include <string_view>

namespace quillmark::app {

// The core speaks UTF-8; the widgets take QString.
inline QString qs(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace quillmark::app
