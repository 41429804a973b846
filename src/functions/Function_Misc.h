// Handlers of the misc family that live in its theme files.
#pragma once

#include "functions/Function_Args.h"

// Dates and times (Function_Misc_Date.cpp).
QV_FUNCTION(F_DateCurrentDatetime);
QV_FUNCTION(F_DateCurrentDate);
QV_FUNCTION(F_DateCurrentTime);
QV_FUNCTION(F_DateCreateDatetime);
QV_FUNCTION(F_DateCreateDate);
QV_FUNCTION(F_DateCreateTime);
QV_FUNCTION(F_DateValidDatetime);
QV_FUNCTION(F_DateValidDate);
QV_FUNCTION(F_DateValidTime);
QV_FUNCTION(F_DateIncYear);
QV_FUNCTION(F_DateIncMonth);
QV_FUNCTION(F_DateIncWeek);
QV_FUNCTION(F_DateIncDay);
QV_FUNCTION(F_DateIncHour);
QV_FUNCTION(F_DateIncMinute);
QV_FUNCTION(F_DateIncSecond);
QV_FUNCTION(F_DateGetYear);
QV_FUNCTION(F_DateGetMonth);
QV_FUNCTION(F_DateGetWeek);
QV_FUNCTION(F_DateGetDay);
QV_FUNCTION(F_DateGetHour);
QV_FUNCTION(F_DateGetMinute);
QV_FUNCTION(F_DateGetSecond);
QV_FUNCTION(F_DateGetWeekday);
QV_FUNCTION(F_DateGetDayOfYear);
QV_FUNCTION(F_DateGetHourOfYear);
QV_FUNCTION(F_DateGetMinuteOfYear);
QV_FUNCTION(F_DateGetSecondOfYear);
QV_FUNCTION(F_DateYearSpan);
QV_FUNCTION(F_DateMonthSpan);
QV_FUNCTION(F_DateWeekSpan);
QV_FUNCTION(F_DateDaySpan);
QV_FUNCTION(F_DateHourSpan);
QV_FUNCTION(F_DateMinuteSpan);
QV_FUNCTION(F_DateSecondSpan);
QV_FUNCTION(F_DateCompareDatetime);
QV_FUNCTION(F_DateCompareDate);
QV_FUNCTION(F_DateCompareTime);
QV_FUNCTION(F_DateDateOf);
QV_FUNCTION(F_DateTimeOf);
QV_FUNCTION(F_DateDatetimeString);
QV_FUNCTION(F_DateDateString);
QV_FUNCTION(F_DateTimeString);
QV_FUNCTION(F_DateDaysInMonth);
QV_FUNCTION(F_DateDaysInYear);
QV_FUNCTION(F_DateLeapYear);
QV_FUNCTION(F_DateIsToday);

// Code execution, variables by name, clipboard and process (Function_Misc_Run.cpp).
QV_FUNCTION(F_ExecuteString);
QV_FUNCTION(F_ExecuteFile);
QV_FUNCTION(F_SetProgramPriority);
QV_FUNCTION(F_SetApplicationTitle);
QV_FUNCTION(F_VariableGlobalExists);
QV_FUNCTION(F_VariableGlobalGet);
QV_FUNCTION(F_VariableGlobalArrayGet);
QV_FUNCTION(F_VariableGlobalArray2Get);
QV_FUNCTION(F_VariableGlobalSet);
QV_FUNCTION(F_VariableGlobalArraySet);
QV_FUNCTION(F_VariableGlobalArray2Set);
QV_FUNCTION(F_VariableLocalExists);
QV_FUNCTION(F_VariableLocalGet);
QV_FUNCTION(F_VariableLocalArrayGet);
QV_FUNCTION(F_VariableLocalArray2Get);
QV_FUNCTION(F_VariableLocalSet);
QV_FUNCTION(F_VariableLocalArraySet);
QV_FUNCTION(F_VariableLocalArray2Set);
QV_FUNCTION(F_ClipboardHasText);
QV_FUNCTION(F_ClipboardSetText);
QV_FUNCTION(F_ClipboardGetText);
