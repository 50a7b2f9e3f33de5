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

platform::SaveChoice QtMessageBox::askToSave(std::string_view text)
{
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(std::string(platform::kApplicationTitle)), qs(text),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, m_owner);
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Save:
        return platform::SaveChoice::Save;
    case QMessageBox::Discard:
        return platform::SaveChoice::Discard;
    default:
        return platform::SaveChoice::Cancel;
    }
}

void QtMessageBox::showWithDetails(std::string_view text, std::string_view details, MessageIcon icon)
{
    exec(text, std::nullopt, icon, details, m_owner);
}

} // namespace quillmark::app
