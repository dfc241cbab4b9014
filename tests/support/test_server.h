#pragma once
// Addresses on the test server that CTest starts for a run (see tests/CMakeLists.txt).
#include <string>

inline std::string TestServerHost() { return "127.0.0.1:" + std::to_string(TEST_SERVER_PORT); }

inline std::string TestServerUrl(const std::string& path) { return "http://" + TestServerHost() + path; }
