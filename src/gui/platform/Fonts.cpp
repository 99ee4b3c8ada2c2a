#include "Fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

void installFontSubstitutes()
{
    const QStringList arialLike{u"Liberation Sans"_s, u"Arimo"_s, u"DejaVu Sans"_s};
    QFont::insertSubstitutions(u"Arial"_s, arialLike);
    QFont::insertSubstitutions(u"Arial Rounded MT Bold"_s, arialLike);
    QFont::insertSubstitutions(u"Helvetica"_s, arialLike);
    // The category picker's face: a wide humanist sans, which DejaVu Sans (Verdana's design family) stands in for.
    QFont::insertSubstitutions(u"Verdana"_s, {u"DejaVu Sans"_s, u"Liberation Sans"_s});
}

QFont fontNamed(QStringView postScriptName, qreal pointSize)
{
    // Sizes are in points of a 160-dpi phone screen; one of its points is one device-independent pixel here.
    QFont font;
    if (postScriptName == u"Arial-BoldMT") {
        font.setFamily(u"Arial"_s);
        font.setBold(true);
    } else if (postScriptName == u"ArialRoundedMTBold") {
        font.setFamily(u"Arial Rounded MT Bold"_s);
        font.setBold(true);
    } else {
        font.setFamily(postScriptName.toString());
    }
    font.setPixelSize(qRound(pointSize));
    return font;
}

QFont systemFont(qreal pointSize, bool bold)
{
    QFont font = fontNamed(u"Helvetica", pointSize);
    font.setBold(bold);
    return font;
}

} // namespace marrowfin
