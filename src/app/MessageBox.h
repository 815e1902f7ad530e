#pragma once
// Shows the program's messages as a modal box titled "Velmora" with one OK button, and its
// questions with Yes and No.
void installMessageBox();
