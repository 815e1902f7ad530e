#pragma once
// Where the main window puts the browser's controls, found by the names their panel gave them,
// and the order in which Tab visits them.

class QWidget;

// The controls are direct children of client.
void placeBrowserControls(QWidget *client);
// Tab walks the browser's controls as the work goes, then goes on to last.
void arrangeTabOrder(QWidget *client, QWidget *last);
