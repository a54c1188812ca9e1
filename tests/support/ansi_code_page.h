// Cases that need a given ANSI code page. The code page follows the user's locale: the POSIX
// stand-in reads LC_ALL at each call, so the case sets it for its length; Windows fixes the
// code page when the process starts, so the case is skipped in a process started in another
// locale (under Wine: scripts/wine-env.sh with ZEM_WINE_LANG=zh_CN.UTF-8 runs the Chinese
// cases, and with its default C.UTF-8 the Western ones).
#pragma once

#include <gtest/gtest.h>

#include "platform/system_info.h"
#include "support/environment.h"

#ifdef _WIN32
#define ZEM_WITH_ANSI_CODE_PAGE(codePage, locale)                                          \
    if (::zem::GetAnsiCodePage() != (codePage))                                            \
    GTEST_SKIP() << "needs the ANSI code page " << (codePage) << ", a process started in " \
                 << (locale)
#else
#define ZEM_WITH_ANSI_CODE_PAGE(codePage, locale) \
    ::zem::test::EnvOverride ansiLocale("LC_ALL", locale)
#endif
