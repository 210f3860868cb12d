#include "LazyDialog.h"

void LazyDialog::Build()
{
    if (built) return;
    built = true;
    buildControls();
}

void LazyDialog::setVisible(bool visible)
{
    if (visible) Build();
    QDialog::setVisible(visible);
}
