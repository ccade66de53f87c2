// The definition's pixel fonts as Qt fonts, with close faces where the Windows ones are missing.
#include "platform/linux/QtFonts.h"

#include <QString>
#include <QStringList>

namespace zrflash::platform::linux_port {

QFont FontOf(const FontDefinition& definition) {
    QStringList families;
    if (!definition.face.empty()) {
        families << QString::fromUtf16(definition.face.data(), static_cast<qsizetype>(definition.face.size()));
    }
    for (const char* standIn : {"Tahoma", "Liberation Sans", "DejaVu Sans"}) {
        if (!families.contains(QLatin1String(standIn))) families << QLatin1String(standIn);
    }
    QFont font;
    font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(definition.heightPx > 0 ? definition.heightPx : 11);
    font.setBold(definition.bold);
    return font;
}

}  // namespace zrflash::platform::linux_port
