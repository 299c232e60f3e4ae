#pragma once

#include "DialogFields.h"
#include "OutputFile.h"
#include "SearchHost.h"

// The whole job behind the start button: reads the bound from
// fields.m_strUpper (after host.Pull()), rejects it with one message, or sieves,
// writes the list file and "debug.txt" in the working directory through
// `files`, stores the count and both times into `fields` and asks the host to
// open the list file. Memory exhaustion raises std::bad_alloc, which passes
// through; every file the run opened is closed by then.
void RunSearch(DialogFields& fields, SearchHost& host, FileLayer& files = SystemFileLayer());
