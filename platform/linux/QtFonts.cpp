// The definition's pixel fonts as Qt fonts, with close faces where the Windows ones are missing.
#include "platform/linux/QtFonts.h"

#include <QFontInfo>
#include <QString>
#include <QStringList>

namespace zrflash::platform::linux_port {
namespace {

constexpr int kStandInStretch = 94;  // percent

}  // namespace

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
    // The stand-ins run a little wider than Tahoma: narrowed, the captions fit the widths the
    // window was laid out for.
    if (QFontInfo(font).family().compare(families.front(), Qt::CaseInsensitive) != 0) {
        font.setStretch(kStandInStretch);
    }
    return font;
}

}  // namespace zrflash::platform::linux_port
