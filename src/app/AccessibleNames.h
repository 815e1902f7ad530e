#pragma once
// Names for the controls a screen reader would otherwise announce without one: buttons that show
// only a picture, sliders, bars, text boxes and lists. Controls that already have a name keep it.

class QWidget;

// Names every control inside window that has no accessible name: from its tooltip, else from
// the label whose buddy it is, else from the caption the window shows beside it. Run it once
// the controls exist.
void nameControlsWithoutText(QWidget *window);
