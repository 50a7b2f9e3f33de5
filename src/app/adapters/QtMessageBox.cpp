#include "app/adapters/QtMessageBox.h"

#include <QMessageBox>

namespace quillmark::app {

using platform::MessageIcon;

void QtMessageBox::show(std::string_view text, std::optional<std::string> title, MessageIcon icon)
{
    const auto qtIcon = icon == MessageIcon::Warning       ? QMessageBox::Warning
                        : icon == MessageIcon::Information ? QMessageBox::Information
                                                           : QMessageBox::NoIcon;
    QMessageBox box(qtIcon, QString::fromStdString(title.value_or(std::string(platform::kApplicationTitle))),
                    QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                    QMessageBox::Ok, m_owner);
    box.exec();
}

} // namespace quillmark::app
