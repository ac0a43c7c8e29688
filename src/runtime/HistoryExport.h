#pragma once

struct CommandLine;

// --export-history: the archived polls as CSV on standard output, without starting a run.
class HistoryExport
{
public:
    // The exit status: 0 when written, 1 when the archive cannot be read.
    static int run(const CommandLine& options);
};
