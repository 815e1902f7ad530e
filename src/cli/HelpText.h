#pragma once

#include <QByteArray>

// What --help prints.
QByteArray helpText();
