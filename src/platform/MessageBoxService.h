#pragma once

#include "platform/FileError.h"

#include <optional>
#include <string>
#include <string_view>

namespace quillmark::platform {

inline constexpr std::string_view kApplicationTitle = "Quillmark";

enum class MessageIcon { None, Warning, Information };

// A modal box with an OK button. Without a title of its own it carries the
// application title. The window provides the real one; tests record the calls.
class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    virtual void show(std::string_view text, std::optional<std::string> title,
                      MessageIcon icon) = 0;
    // The same box with the application title, and `details` behind its "Show
    // Details..." button: the text stays short, the reason is there for who asks.
    virtual void showWithDetails(std::string_view text, std::string_view details, MessageIcon icon)
    {
        (void)details;
        show(text, std::nullopt, icon);
    }
};

// The "Error: N" box: a failed read or write in the system's words, no icon, titled
// with its number.
inline void showFileError(MessageBoxService& messages, FileError error)
{
    messages.show(errorDescription(error), "Error: " + std::to_string(errorNumber(error)), MessageIcon::None);
}

} // namespace quillmark::platform
