#pragma once

#include <string>

namespace keydesk {

struct ServiceContext;

// Where a test dialog's operations stand in the main window's list, instead of a PMS host.
inline constexpr const char* kTestPeer = "测试对话框";

// Puts a test dialog's card operation in the main window's list of operations, as a PMS
// request of that type would be (texts code page 936).
void ListTestOperation(const ServiceContext& context, const char* type, std::string roomKey,
                       std::string number, bool succeeded, std::string reason = {},
                       std::string warning = {});

}  // namespace keydesk
