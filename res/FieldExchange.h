#pragma once

#include <string>

#include "DialogFields.h"
#include "resource.h"

// Which control each of the dialog's fields is exchanged with, in the order
// of the exchange (pull and push alike).
struct FieldBinding {
    int id;
    std::string DialogFields::*field;
};

inline constexpr FieldBinding kFieldExchange[] = {
    {IDC_UPPER, &DialogFields::m_strUpper},     {IDC_LOWER, &DialogFields::m_strLower},
    {IDC_ELAPSED, &DialogFields::m_strElapsed}, {IDC_COUNT, &DialogFields::m_strCount},
    {IDC_STATE, &DialogFields::m_strState},     {IDC_FILETIME, &DialogFields::m_strFileTime},
};
