// A second process for the settings store tests: it opens the store in the given directory and writes or reads
// through the same library the executables use. Each write's line is printed and flushed only after the write
// returned, so the parent knows which writes must be on disk.

#include "core/settings/SettingsLists.h"
#include "core/settings/SettingsStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <cstdio>

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

QString numbered(const QString& prefix, int index)
{
    return prefix + u'-' + QString::number(index).rightJustified(3, u'0');
}

// <prefix> <count>: prints "<name> <name before it in the stored history>" ("-" for none) after each append.
int appendHistory(SettingsStore& store, const QStringList& args)
{
    for (int i = 0; i < args.value(1).toInt(); ++i) {
        const QString name = numbered(args.value(0), i);
        const auto history = appendToTorrentHistory(store, name);
        if (!history || history->isEmpty() || history->last() != name) {
            return fail(u"append failed: "_s + name);
        }
        printLine(name + u' ' + (history->size() > 1 ? history->at(history->size() - 2) : u"-"_s));
    }
    return 0;
}

int appendFilters(SettingsStore& store, const QStringList& args)
{
    for (int i = 0; i < args.value(1).toInt(); ++i) {
        if (!appendFilter(store, numbered(args.value(0), i))) {
            return fail(u"append failed"_s);
        }
    }
    return 0;
}

// Each key "<prefix>-NNN" gets the text of its index.
int writeKeys(SettingsStore& store, const QStringList& args)
{
    for (int i = 0; i < args.value(1).toInt(); ++i) {
        if (!store.setText(numbered(args.value(0), i), QString::number(i))) {
            return fail(u"write failed"_s);
        }
    }
    return 0;
}

// Writes "stream-NNN" = NNN as numbers until killed.
int stream(SettingsStore& store)
{
    for (int i = 0;; ++i) {
        if (!store.setNumber(numbered(u"stream"_s, i), i)) {
            return fail(u"write failed"_s);
        }
        printLine(QString::number(i));
    }
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
    if (command == u"append-history") {
        return appendHistory(store, args);
    }
    if (command == u"append-filters") {
        return appendFilters(store, args);
    }
    if (command == u"write-keys") {
        return writeKeys(store, args);
    }
    if (command == u"stream") {
        return stream(store);
    }
    if (command == u"dump") {
        return dump(store, args);
    }
    return fail(u"unknown command: "_s + command);
}
