// The licence agreement shown on the licence page: Korean, CR LF line ends,
// shown exactly as stored.
#pragma once

extern const wchar_t licenceText[];
