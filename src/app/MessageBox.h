#pragma once
// Shows the program's messages as a modal box titled "Velmora" with one OK button.
void installMessageBox();
