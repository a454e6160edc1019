#include <gtest/gtest.h>

#include "connectionstring.h"

namespace {

struct ConnectionCase {
    const char* connection;
    int number;            // 0 for success
    const char* provider;  // expected on success

    friend void PrintTo(const ConnectionCase& c, std::ostream* os) { *os << '"' << c.connection << '"'; }
};

class ConnectionStringTest : public ::testing::TestWithParam<ConnectionCase> {};

TEST_P(ConnectionStringTest, FindsTheProviderOrSaysWhyNot) {
    const ConnectionCase& c = GetParam();
    std::string provider;
    const dataaccess::Status status = dataaccess::ProviderFromConnectionString(c.connection, provider);
    EXPECT_EQ(status.number, c.number) << status.description;
    if (c.number == 0) {
        EXPECT_EQ(provider, c.provider);
    } else {
        EXPECT_FALSE(status.description.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConnectionStringTest,
    ::testing::Values(ConnectionCase{"Provider=Quorbix", 0, "Quorbix"},
                      ConnectionCase{"provider=Quorbix", 0, "Quorbix"},
                      ConnectionCase{"  PROVIDER = Quorbix ; ", 0, "Quorbix"},
                      ConnectionCase{"Data Source=x.db;Provider=Quorbix", 0, "Quorbix"},
                      ConnectionCase{";;Provider=A;;", 0, "A"},
                      ConnectionCase{"Provider=A;Provider=B", 0, "B"},
                      ConnectionCase{"Provider=A=B", 0, "A=B"}, ConnectionCase{"", 1006, ""},
                      ConnectionCase{"Data Source=x.db", 1006, ""}, ConnectionCase{"Provider=", 1006, ""},
                      ConnectionCase{"Providers=Quorbix", 1006, ""}, ConnectionCase{"Provider", 1005, ""},
                      ConnectionCase{"Provider=Quorbix;junk", 1005, ""}));

}  // namespace
