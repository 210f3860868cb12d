#pragma once
// A table's header sized for the font its labels are shown in. Qt sizes every header
// section for its label in bold (the look of a highlighted section), which loads the bold
// face of the Japanese font, some megabytes of it, for labels never shown bold: these
// headers do not highlight their sections.
#include <QHeaderView>

class PlainHeader : public QHeaderView {
public:
    explicit PlainHeader(Qt::Orientation orientation, QWidget* parent = nullptr);

protected:
    QSize sectionSizeFromContents(int logicalIndex) const override;
};
