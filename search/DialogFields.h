#pragma once

#include <string>

// The six texts of the main dialog, as UTF-8. The dialog owns them for its
// lifetime; a search run reads m_strUpper and writes the results in place.
struct DialogFields {
    std::string m_strUpper;     // upper bound as typed
    std::string m_strLower;     // lower bound, "2" once the dialog is up
    std::string m_strElapsed;   // processing time of the last run, decimal
    std::string m_strCount;     // prime count of the last run, decimal
    std::string m_strState;     // state line
    std::string m_strFileTime;  // file output time of the last run, decimal
};
