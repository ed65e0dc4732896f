#pragma once
// The indicator and key pictures, drawn rather than shipped so they scale.
#include <QPixmap>

namespace scandeck::pictures {

QPixmap SquelchOpen(int size);   // a lit green lamp
QPixmap TalkgroupActive(int size);  // an orange speaker
QPixmap LightOn(int size);       // a lit bulb
QPixmap LightOff(int size);      // a dark bulb
QPixmap LightAuto(int size);     // a bulb marked A
QPixmap Hold(int size);          // pause bars
QPixmap SecondKey(int size);     // the second picture key
QPixmap AppIcon(int size);

}  // namespace scandeck::pictures
