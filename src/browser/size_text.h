#pragma once

#include <QString>
#include <string>

// The "Size" column's text for a listing's size field: thousands of bytes with
// a K, rounded up so that a file holding any bytes never reads as empty
// ("152" shows "1K", "0" shows "0K"). The field is read like atoi: leading
// blanks, then digits up to the first non-digit.
QString SizeColumnText(const std::string& sizeText);
