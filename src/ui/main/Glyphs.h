#pragma once
// Button glyphs: 32 x 16 images holding the enabled and the disabled picture side by
// side, olive (#808000) transparent; named Play0, Play1, Pause0, Pause1, Stop0, Stop1,
// Prev and Next.
#include <QIcon>
#include <QString>

QIcon GlyphIcon(const QString& name);
// The program's icon; its name() is its name in the icon theme ("mirelune").
QIcon AppIcon();
