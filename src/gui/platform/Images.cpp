#include "Images.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QPainter>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QTemporaryDir>

#include <memory>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

QString resourcePath(const QString& base)
{
    return u":/images/"_s + base + u".svg"_s;
}

qreal screenScale()
{
    const auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    return app ? app->devicePixelRatio() : 1.0;
}

} // namespace

QString imageResourceBase(QStringView name)
{
    QStringView base = name;
    if (const qsizetype slash = base.lastIndexOf(u'/'); slash >= 0)
        base = base.mid(slash + 1);
    if (const qsizetype dot = base.lastIndexOf(u'.'); dot > 0)
        base = base.left(dot);
    return base.toString();
}

bool hasImageNamed(QStringView name)
{
    const QString base = imageResourceBase(name);
    return !base.isEmpty() && QFile::exists(resourcePath(base));
}

QPixmap imageNamed(QStringView name, QSize pointSize)
{
    const QString base = imageResourceBase(name);
    if (base.isEmpty())
        return {};
    const qreal scale = screenScale();
    const QString key = base + u'@' + QString::number(pointSize.width()) + u'x' + QString::number(pointSize.height()) +
                        u'@' + QString::number(scale);
    static QHash<QString, QPixmap> cache;
    if (const auto found = cache.constFind(key); found != cache.cend())
        return *found;

    QSvgRenderer renderer(resourcePath(base));
    if (!renderer.isValid())
        return {};
    const QSize points = pointSize.isValid() ? pointSize : renderer.defaultSize();
    QPixmap pixmap((QSizeF(points) * scale).toSize());
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
    }
    pixmap.setDevicePixelRatio(scale);
    cache.insert(key, pixmap);
    return pixmap;
}

QPixmap tintedImage(const QPixmap& picture, const QColor& colour)
{
    if (picture.isNull())
        return picture;
    QPixmap result(picture.size());
    result.setDevicePixelRatio(picture.devicePixelRatio());
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.drawPixmap(0, 0, picture);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(result.rect(), colour);
    return result;
}

QStringList imageResourceNames()
{
    QStringList names;
    const QDir folder(u":/images"_s);
    for (const QFileInfo& file : folder.entryInfoList({u"*.svg"_s}, QDir::Files, QDir::Name))
        names.append(file.completeBaseName());
    return names;
}

QString imageFilePath(QStringView name)
{
    const QString base = imageResourceBase(name);
    if (!hasImageNamed(base))
        return {};
    static const std::unique_ptr<QTemporaryDir> folder = std::make_unique<QTemporaryDir>();
    if (!folder->isValid())
        return {};
    const QString path = folder->filePath(base + u".png"_s);
    if (!QFile::exists(path)) {
        QSvgRenderer renderer(resourcePath(base));
        QImage image(renderer.defaultSize() * 2, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        renderer.render(&painter);
        painter.end();
        image.save(path, "PNG");
    }
    return path;
}

} // namespace marrowfin
