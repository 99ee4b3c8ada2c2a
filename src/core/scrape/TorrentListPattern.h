#pragma once

#include <QString>

namespace marrowfin {

// The listing pattern: one row of the newest, category and search listings, nine groups (download address,
// category word, detail path, name, size number, size unit, age, seeders, leechers). "." stays on one line
// while "[\s\S]" crosses lines, so each field must sit on one line of the page while a row may span many.
inline const QString& torrentListPattern()
{
    static const QString pattern = QStringLiteral(
        R"re(href="(.*?)" class="idownload icon16.*?><span></span></a>[\s\S]*?<div class="torrentname">[\s\S]*?<a.*?class=.*? (.*?)"></a>[\s\S]*?<a href="/(.*?)"[\s\S]*?<a href=.*?>(.*?)</a>[\s\S]*?<td.*?>(.*?) <span>(.*?)</span></td>[\s\S]*?<td[\s\S]*?<td.*?>(.*?)</td>[\s\S]*?<td.*?>(.*?)</td>[\s\S]*?<td.*?>(.*?)</td>)re");
    return pattern;
}

} // namespace marrowfin
