#pragma once

#include "platform/FileError.h"

#include <optional>
#include <string>
#include <string_view>

namespace quillmark::platform {

inline constexpr std::string_view kApplicationTitle = "Quillmark";

enum class MessageIcon { None, Warning, Information };

// The answers to the question asked before edits would be dropped.
enum class SaveChoice { Save, Discard, Cancel };

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
    // "Save changes to Garchomp?" with Save, Discard and Cancel, before a pick, an open
    // or an exit would drop edits not yet saved; Escape or the close button is Cancel.
    virtual SaveChoice askToSave(std::string_view text) = 0;
};

// The "Error: N" box: a failed read or write in the system's words, no icon, titled
// with its number.
inline void showFileError(MessageBoxService& messages, FileError error)
{
    messages.show(errorDescription(error), "Error: " + std::to_string(errorNumber(error)), MessageIcon::None);
}

} // namespace quillmark::platform
