// The access of the folder that holds the driver installer, which an
// administrator runs elevated: SYSTEM and Administrators have full control,
// Users read and execute (0x1200a9 = FILE_GENERIC_READ | FILE_GENERIC_EXECUTE),
// for the folder and everything made in it (OICI), and the protected DACL ("P")
// takes nothing from the parent folder.
#pragma once

namespace os {

constexpr wchar_t kAdminFolderSddl[] =
    L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

}  // namespace os
