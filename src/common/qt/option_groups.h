#pragma once
// A group of options is one stop of the Tab key, and the keyboard lands on the
// chosen option, so a listener hears the choice first ("9600 Bds ... selected")
// instead of the first option; the arrow keys move among the options and choose.
#include <QList>

class QAbstractButton;

namespace scandeck {

// Only the chosen option of `options` takes Tab focus (all of them while none is
// chosen); the others still take focus by click and by the arrow keys.
void TabLandsOnChosen(const QList<QAbstractButton*>& options);

}  // namespace scandeck
