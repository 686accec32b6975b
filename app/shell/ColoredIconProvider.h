#pragma once

#include <QQuickImageProvider>

// "image://coloredicon/<file>[&<colour>]": an SVG from the icons resource
// folder drawn in the theme's colours. The icons are drawn in a fixed
// palette; blue, grey and white parts take the given colour (or the theme's),
// indigo parts always take the application colour.
class ColoredIconProvider : public QQuickImageProvider
{
public:
    ColoredIconProvider();

    QPixmap requestPixmap(const QString& id, QSize* size, const QSize& requestedSize) override;

    // How many pixels each unit of an icon's own size becomes.
    static qreal scaleFactor();

private:
    // The SVG text with its palette replaced; empty when the icon cannot be
    // read.
    static QString coloredSvg(const QString& id);
    static QString readIcon(const QString& name);
    static QString partColor(const QString& explicitColor);
};
