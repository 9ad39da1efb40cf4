#include "ui/MainFormSupport.h"

#include "ui/UiSupport.h"

#include <QFile>

namespace MainFormParts {

QString Text(const char* Resource) {
    return ToQString(Resource);
}

std::string ToStdString(const QString& Value) {
    const QByteArray Bytes = Value.toUtf8();
    return std::string(Bytes.constData(), static_cast<size_t>(Bytes.size()));
}

QIcon Picture(const QString& Name) {
    QIcon Icon;
    for (const char* Size : {"16", "24", "32"}) {
        const QString File = QStringLiteral(":/pictures/%1-%2.png").arg(Name, QLatin1String(Size));
        if (QFile::exists(File)) {
            Icon.addFile(File);
        }
    }
    return Icon;
}

} // namespace MainFormParts
