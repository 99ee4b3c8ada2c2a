// A second process for the settings store tests: it opens the store in the given directory and writes or reads
// through the same library the executables use. A write's line is printed and flushed only after the write
// returned, so the parent knows which writes must be on disk.

#include "core/settings/SettingsLists.h"
#include "core/settings/SettingsStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <climits>
#include <cstdio>
#include <functional>

using namespace marrowfin;
using namespace Qt::StringLiterals;

namespace {

void printLine(const QString& line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

int fail(const QString& what)
{
    std::fprintf(stderr, "%s\n", what.toUtf8().constData());
    return 2;
}

// Calls `write` with "<prefix>-000", "<prefix>-001", ... and the index, `count` times or until a write fails.
int repeat(const QString& prefix, int count, const std::function<bool(const QString&, int)>& write)
{
    for (int i = 0; i < count; ++i) {
        const QString name = prefix + u'-' + QString::number(i).rightJustified(3, u'0');
        if (!write(name, i)) {
            return fail(u"write failed: "_s + name);
        }
    }
    return 0;
}

// Arguments "<text|number|list>:<key>"; prints one JSON object, null for an absent key. Numbers are printed as
// texts so that 64-bit values survive JSON.
int dump(const SettingsStore& store, const QStringList& args)
{
    QJsonObject out;
    for (const QString& arg : args) {
        const QString kind = arg.section(u':', 0, 0);
        const QString key = arg.section(u':', 1);
        QJsonValue value = QJsonValue::Null;
        if (kind == u"text") {
            if (const auto text = store.text(key)) {
                value = *text;
            }
        } else if (kind == u"number") {
            if (const auto number = store.number(key)) {
                value = QString::number(*number);
            }
        } else if (kind == u"list") {
            if (const auto list = store.list(key)) {
                value = QJsonArray::fromStringList(*list);
            }
        } else {
            return fail(u"unknown kind: "_s + kind);
        }
        out.insert(key, value);
    }
    printLine(QString::fromUtf8(QJsonDocument(out).toJson(QJsonDocument::Compact)));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        args.append(QString::fromLocal8Bit(argv[i]));
    }
    if (args.size() < 2) {
        return fail(u"usage: helper <append-history|append-filters|write-keys|stream|dump> <config dir> ..."_s);
    }
    const QString command = args.takeFirst();
    SettingsStore store(args.takeFirst());
    if (store.recoveryNote()) {
        return fail(*store.recoveryNote());
    }
    const QString prefix = args.value(0);
    const int count = args.value(1).toInt();
    if (command == u"append-history") {
        // Prints "<name> <the name before it in the stored history>" ("-" for none) after each append.
        return repeat(prefix, count, [&store](const QString& name, int) {
            const auto history = appendToTorrentHistory(store, name);
            if (!history || history->isEmpty() || history->last() != name) {
                return false;
            }
            printLine(name + u' ' + (history->size() > 1 ? history->at(history->size() - 2) : u"-"_s));
            return true;
        });
    }
    if (command == u"append-filters") {
        return repeat(prefix, count,
                      [&store](const QString& name, int) { return appendFilter(store, name).has_value(); });
    }
    if (command == u"write-keys") {
        return repeat(prefix, count,
                      [&store](const QString& name, int i) { return store.setText(name, QString::number(i)); });
    }
    if (command == u"stream") {
        // Numbers "stream-NNN" = NNN until killed, each index printed once its write returned.
        return repeat(u"stream"_s, INT_MAX, [&store](const QString& name, int i) {
            if (!store.setNumber(name, i)) {
                return false;
            }
            printLine(QString::number(i));
            return true;
        });
    }
    if (command == u"dump") {
        return dump(store, args);
    }
    return fail(u"unknown command: "_s + command);
}
