#include "portfolio/ServerSettings.h"

#include <gtest/gtest.h>

TEST(ServerSettingsRecord, DefaultIsEmptyAndCopiesCarryTheReservedIntegers) {
    ServerSettings s;
    EXPECT_TRUE(s.m_strName.empty() && s.m_strURL.empty() && s.m_strRegExp.empty());
    EXPECT_EQ(s.m_nTimeout, 0);
    EXPECT_EQ(s.m_bNoCaseSensitive, 0);
    s.m_nReserved[0] = 7;
    s.m_nReserved[3] = -2;
    s.m_strURL = "http://example.invalid/[&symbol]";
    const ServerSettings copy(s);
    EXPECT_EQ(copy.m_nReserved[0], 7);
    EXPECT_EQ(copy.m_nReserved[3], -2);
    EXPECT_EQ(copy.m_strURL, s.m_strURL);
}
