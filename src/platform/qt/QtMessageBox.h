#pragma once

#include "platform/MessageBoxService.h"

#include <QPointer>
#include <QWidget>

namespace quillmark::platform {

// Message boxes as Qt shows them, modal to the given window.
class QtMessageBox : public MessageBoxService {
public:
    explicit QtMessageBox(QWidget* owner) : m_owner(owner) {}
    void show(std::string_view text, std::optional<std::string> title, MessageIcon icon) override;

private:
    QPointer<QWidget> m_owner;
};

} // namespace quillmark::platform
