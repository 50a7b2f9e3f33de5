#include "platform/qt/QtMessageBox.h"

#include <QMessageBox>

namespace quillmark::platform {

void QtMessageBox::show(std::string_view text, std::optional<std::string> title, MessageIcon icon)
{
    const auto qtIcon = icon == MessageIcon::Warning       ? QMessageBox::Warning
                        : icon == MessageIcon::Information ? QMessageBox::Information
                                                           : QMessageBox::NoIcon;
    QMessageBox box(qtIcon, QString::fromStdString(title.value_or(std::string(kApplicationTitle))),
                    QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                    QMessageBox::Ok, m_owner);
    box.exec();
}

} // namespace quillmark::platform
