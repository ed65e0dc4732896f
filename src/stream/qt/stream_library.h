#pragma once
// Opens the scandeck-stream library (libshout and the encoders) the first time a
// stream is switched on: beside the program, else in ../lib/scandeck.
#include <QString>
#include <QStringList>
#include <memory>

#include "stream/core/stream_sender.h"

namespace scandeck {

// The library's maker from the first of `folders` holding one of this build; null,
// with `why`, where none does.
ScandeckStreamMakeFn OpenStreamLibrary(const QStringList& folders, QString* why);

// A sender started at once; null, with `why` set, where the library cannot be opened.
std::unique_ptr<StreamSender> MakeStreamSender(const StreamOptions& options, QString* why);

}  // namespace scandeck
