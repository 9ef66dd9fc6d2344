#pragma once
// The settings file is small and the user's alone: it lives in a folder only its owner may
// enter, is written 0600 into a new file that then takes its name (so a symbolic link in its
// place is replaced, never written through), and one that is not a plain file of at most
// 1 MiB is neither read nor rewritten.
#include <QString>

#include <functional>

constexpr qint64 kSettingsFileLimit = 1024 * 1024;

// Why the file at `file` is not to be read or rewritten; empty when it may be (or is missing).
QString settingsFileRefusal(const QString& file);

// Why nothing can be written beside `file`; empty when it can. Makes the folder, private.
QString settingsFolderProblem(const QString& file);

// Lets `write` fill a new private file, which then replaces `file`; empty when done, else why
// not. The new file starts with what `file` held, so entries this version does not know stay.
QString replaceSettingsFile(const QString& file, const std::function<bool(const QString& newFile)>& write);
