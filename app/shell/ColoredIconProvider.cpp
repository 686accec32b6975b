#include "shell/ColoredIconProvider.h"

#include "logging/Log.h"
#include "shell/Settings.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QSvgRenderer>

#include <cmath>

namespace {

const QString IconFolder = QStringLiteral(":/icons/");
const QString DarkThemeIconColor = QStringLiteral("#D8D8D8");
const QStringList PartColors
    = { QStringLiteral("#2196F3"), QStringLiteral("#B1B1B1"), QStringLiteral("#FFFFFF") };
const QString AccentColor = QStringLiteral("#3F51B5");

QString colorText(const QColor& color)
{
    return color.alpha() == 255 ? color.name() : color.name(QColor::HexArgb);
}

} // namespace

ColoredIconProvider::ColoredIconProvider()
    : QQuickImageProvider(QQuickImageProvider::Pixmap)
{
}

QPixmap ColoredIconProvider::requestPixmap(const QString& id, QSize* size, const QSize& requestedSize)
{
    Q_UNUSED(requestedSize)
    if (size)
        *size = QSize();
    const QString svg = coloredSvg(id);
    if (svg.isEmpty())
        return QPixmap();

    QSvgRenderer renderer(svg.toUtf8());
    if (!renderer.isValid()) {
        QLOG_WARN() << "The icon \"" << id << "\" is not a valid SVG image.";
        return QPixmap();
    }
    const qreal factor = scaleFactor();
    const QSize pixels(
        qRound(renderer.defaultSize().width() * factor), qRound(renderer.defaultSize().height() * factor));
    if (pixels.isEmpty())
        return QPixmap();

    QPixmap pixmap(pixels);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    painter.end();
    if (size)
        *size = pixmap.size();
    return pixmap;
}

QString ColoredIconProvider::coloredSvg(const QString& id)
{
    const int separator = id.indexOf(QLatin1Char('&'));
    const QString name = separator < 0 ? id : id.left(separator);
    QString svg = readIcon(name);
    if (svg.isEmpty())
        return QString();

    const QString color = partColor(separator < 0 ? QString() : id.mid(separator + 1));
    for (const QString& part : PartColors)
        svg.replace(part, color, Qt::CaseInsensitive);
    svg.replace(AccentColor, colorText(Settings::instance()->applicationColor()), Qt::CaseInsensitive);
    return svg;
}

qreal ColoredIconProvider::scaleFactor()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal ratio = screen ? screen->devicePixelRatio() : 1.0;
    // Icons are drawn for a small size; on ordinary screens they are drawn
    // larger and scaled down by the view, which keeps their edges smooth.
    return ratio > 1.0 ? ratio : 1.4;
}

QString ColoredIconProvider::readIcon(const QString& name)
{
    // The name comes from an image URL: nothing in it may lead out of the
    // icons folder.
    const QString path = QDir::cleanPath(IconFolder + name);
    if (name.isEmpty() || name.contains(QLatin1String("..")) || name.contains(QLatin1Char('\\'))
        || !path.startsWith(IconFolder)) {
        QLOG_WARN() << "Refusing the icon name \"" << name << "\": it names no file of the icons folder.";
        return QString();
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        QLOG_DEBUG() << "No icon \"" << name << "\" to draw.";
        return QString();
    }
    return QString::fromUtf8(file.readAll());
}

QString ColoredIconProvider::partColor(const QString& explicitColor)
{
    if (!explicitColor.isEmpty()) {
        // Only a colour goes into the SVG text, never markup.
        const QColor color(explicitColor);
        if (color.isValid())
            return colorText(color);
        QLOG_WARN() << "The icon colour \"" << explicitColor
                    << "\" is not a colour; the theme's colour is used.";
    }
    if (Settings::instance()->appTheme() == Settings::DarkTheme)
        return DarkThemeIconColor;
    return colorText(Settings::instance()->applicationColor());
}
