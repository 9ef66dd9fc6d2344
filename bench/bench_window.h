#pragma once
// The window as the benchmarks run it: shown, its journal on in a folder of its own, logging
// without a record limit. No question may come up: each is counted (and an error's text
// printed) instead of waiting for an answer.
#include "app/tfcomm.h"
#include "ui/user_prompts.h"
#include "log/record_logger.h"

#include <QTemporaryDir>

#include <cstdio>
#include <memory>

class CountingPrompts : public UserPrompts {
public:
    int shown = 0;
    bool askYesNo(const QString&, const QString&) override { return ++shown, false; }
    int choose(const QString&, const QString&, const QStringList&, int escape) override { return ++shown, escape; }
    void inform(const QString&) override { ++shown; }
    void error(const QString& text) override
    {
        ++shown;
        std::fprintf(stderr, "error box: %s\n", qPrintable(text));
    }
    QString chooseSaveFile(const FileDialog&) override { return QString(); }
    QString chooseOpenFile(const FileDialog&) override { return QString(); }
};

struct BenchWindow {
    CountingPrompts prompts;
    QTemporaryDir journalFolder;
    std::unique_ptr<TFCOMM> w;

    BenchWindow()
    {
        TFCOMM::Services services;
        services.prompts = &prompts;
        services.journalFolder = journalFolder.path();
        w = std::make_unique<TFCOMM>(services);
        w->setRecordLimit(RecordLogger::kLimitCount - 1);   // "limitless": every reading becomes a row
        w->show();
    }
};
