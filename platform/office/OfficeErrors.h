#pragma once
// The errors of the office layer. Every failure of reading, filling, converting or showing an
// Office document raises EOfficeError with a message that names the file and the reason;
// EOfficeSuiteMissing says that the office suite that converts documents to PDF and prints
// them is not installed (its message names the program that was looked for).

#include "Exceptions.h"

LUM_DECLARE_EXCEPTION(EOfficeError, Exception);
LUM_DECLARE_EXCEPTION(EOfficeSuiteMissing, EOfficeError);
