#include "app/adapters/QtMessageBox.h"
#include "app/QtText.h"

#include <QMessageBox>

namespace quillmark::app {

using platform::MessageIcon;

namespace {

void exec(std::string_view text, std::optional<std::string> title, MessageIcon icon,
          std::string_view details, QWidget* owner)
{
    const auto qtIcon = icon == MessageIcon::Warning       ? QMessageBox::Warning
                        : icon == MessageIcon::Information ? QMessageBox::Information
                                                           : QMessageBox::NoIcon;
    QMessageBox box(qtIcon, QString::fromStdString(title.value_or(std::string(platform::kApplicationTitle))),
                    qs(text), QMessageBox::Ok, owner);
    if (!details.empty())
        box.setDetailedText(qs(details));
    box.exec();
}

} // namespace

void QtMessageBox::show(std::string_view text, std::optional<std::string> title, MessageIcon icon)
{
    exec(text, std::move(title), icon, {}, m_owner);
}

void QtMessageBox::showWithDetails(std::string_view text, std::string_view details, MessageIcon icon)
{
    exec(text, std::nullopt, icon, details, m_owner);
}

} // namespace quillmark::app
