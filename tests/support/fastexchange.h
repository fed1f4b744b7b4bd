#pragma once

#include <QtGlobal>

// CTest runs the link and device suites a second time with TQ17_TEST_FAST_EXCHANGE=1: every
// line they open then ends a reply at its length ("Быстрый обмен"). The tool's default stays off.
inline bool fastExchangeUnderTest()
{
    return qEnvironmentVariableIntValue("TQ17_TEST_FAST_EXCHANGE") != 0;
}
