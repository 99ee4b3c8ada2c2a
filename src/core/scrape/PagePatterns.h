#pragma once

#include <QString>

// The patterns and fixed texts of the detail, profile and user-name extractions. Each pattern is an ICU expression
// used without options ("." stays on one line, "[\s\S]" crosses lines). The replacements contain no "$" or "\", so
// they are inserted as they stand.
namespace marrowfin {

// Group 1 runs from the start of the page to the last "</head>", group 2 from the first main-part division after it
// up to, not including, the site's translation division.
inline const QString& mainPartPattern()
{
    static const QString pattern =
        QStringLiteral(R"re(([\s\S]*</head>)[\s\S]*?(<div class="mainpart">[\s\S]*?)<div id="translate_site")re");
    return pattern;
}

// A side-bar cell, emptied to kEmptyCell so that its table keeps the cell.
inline const QString& sideBarCellPattern()
{
    static const QString pattern = QStringLiteral(R"re(<td class="sidebarCell">[\s\S]*?</td>)re");
    return pattern;
}

inline const QString& emptyCell()
{
    static const QString cell = QStringLiteral("<td></td>");
    return cell;
}

// The sharing widget of a detail page, up to the technical tab, whose opening tag is put back.
inline const QString& sharingWidgetPattern()
{
    static const QString pattern =
        QStringLiteral(R"re(<div class="sharingWidgetBox">[\s\S]*?<div id="tab-technical")re");
    return pattern;
}

inline const QString& technicalTabOpening()
{
    static const QString opening = QStringLiteral(R"re(<div id="tab-technical")re");
    return opening;
}

// Shown in place of a profile page that does not have the main part.
inline const QString& errorPageText()
{
    static const QString text = QStringLiteral("<html>Error loading page.  Try again.</html>");
    return text;
}

// A quoted link to a page of the movie database at `imdbHost`. The host is written into the pattern as it stands,
// so each of its dots matches any character; the quotes on either side may be single or double.
[[nodiscard]] inline QString imdbPattern(const QString& imdbHost)
{
    return QStringLiteral(R"re(["'](http://)re") + imdbHost + QStringLiteral(R"re(/.*?)["'])re");
}

// The signed-in user's nickname in the script of any site page.
inline const QString& nicknamePattern()
{
    static const QString pattern = QStringLiteral("nickname: '(.*?)',");
    return pattern;
}

// The user name when no nickname is found.
inline const QString& anonymousUserName()
{
    static const QString name = QStringLiteral("Anonymous");
    return name;
}

} // namespace marrowfin
