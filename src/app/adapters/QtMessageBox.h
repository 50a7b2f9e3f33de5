#pragma once

#include "platform/MessageBoxService.h"

#include <QPointer>
#include <QWidget>

namespace quillmark::app {

// Message boxes as Qt shows them, modal to the given window.
class QtMessageBox : public platform::MessageBoxService {
public:
    explicit QtMessageBox(QWidget* owner) : m_owner(owner) {}
    void show(std::string_view text, std::optional<std::string> title,
              platform::MessageIcon icon) override;
    void showWithDetails(std::string_view text, std::string_view details,
                         platform::MessageIcon icon) override;
    platform::SaveChoice askToSave(std::string_view text) override;

private:
    QPointer<QWidget> m_owner;
};

} // namespace quillmark::app
