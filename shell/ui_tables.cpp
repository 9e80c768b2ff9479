// The wizard's constant tables: every text it draws with the rectangle it is
// drawn into (row k of uiTexts always goes into row k of textRects), and the
// positions and pictures of the buttons, option marks and check marks.
#include "ui_tables.h"

#include "skin_pictures.h"

namespace {
const wchar_t kEmpty[] = L"";
const wchar_t kFinishLine[] = L"[완료] 를 클릭하여 설치 프로그램을 종료하십시요.";
}  // namespace

const wchar_t* const uiTexts[kUiTextRows] = {
    /*  0 */ L"Korvane 설치",
    /*  1 */ L"설치를 계속하시려면 [다음] 을",
    /*  2 */ L"종료하시려면 [종료] 를 클릭하십시요.",
    /*  3 */ L"프로그램을 수정, 복구 또는 제거합니다.",
    /*  4 */ L"아래 옵션 중 하나을 선택하고 [다음] 을 클릭하십시요.",
    /*  5 */ L"수정(M)",
    /*  6 */ L"복구(E)",
    /*  7 */ L"제거(R)",
    /*  8 */ L"추가할 새 프로그램 구성 요소을 선택하거나 설치된 구성 요소 중.",
    /*  9 */ L"제거할 구성 요소을 선택합니다.",
    /* 10 */ L"이전에 설치한 모든 프로그램 구성 요소를 다시 설치 합니다.",
    /* 11 */ L"설치된 모든 구성 요소를 제거합니다.",
    /* 12 */ kEmpty,  // drawn by no page; keeps the numbering
    /* 13 */ L"아래의 라이센스 계약을 모두 읽어주세요",
    /* 14 */ L"동의(A)",
    /* 15 */ L"동의 안함(D)",
    /* 16 */ L"설치 유형",
    /* 17 */ L"설치 유형을 선택하십시요",
    /* 18 */ L"전체(권장) (D)",
    /* 19 */ L"사용자 정의 설치 (S)",
    /* 20 */ L"모든 프로그램 기능이 설치됩니다.",
    /* 21 */ L"설치할 프로그램 기능을 선택하십시요.",
    /* 22 */ L"설치 폴더 선택",
    /* 23 */ L"설치 프로그램이 다음 폴더에 \"Korvane\"를  설치합니다.",
    /* 24 */ L"이 폴더에 설치하려면 [다음] 을 클릭하고, 다른 폴더에 설치하려면",
    /* 25 */ L"[찾아보기] 을 클릭하여 다른 폴더을 선택 하십시요.",
    /* 26 */ L"설치 기능 선택",
    /* 27 */ L"설치할 기능은 선택하고 설치하지 않을 기능은 선택 해제 하십시요.",
    /* 28 */ L"바탕 화면 바로가기",
    /* 29 */ L"시작 메뉴 바로가기",
    /* 30 */ L"FTDI Serial Driver",
    /* 31 */ L"필요한 공간 %0.2fGB (드라이브:%C)",
    /* 32 */ L"사용 가능 공간 %0.2fGB (드라이브:%C)",
    /* 33 */ L"전체 용량 %0.2fGB (드라이브:%C)",
    /* 34 */ L"설치 기능 선택",
    /* 35 */ L"설치할 기능은 선택하고 설치하지 않을 기능은 선택 해제 하십시요.",
    /* 36 */ L"바탕 화면 바로가기",
    /* 37 */ L"시작 메뉴 바로가기",
    /* 38 */ L"FTDI Serial Driver",
    /* 39 */ L"필요한 공간 %0.2fMB (드라이브:%C)",
    /* 40 */ L"사용 가능 공간 %0.2fGB (드라이브:%C)",
    /* 41 */ L"전체 용량 %0.2fGB (드라이브:%C)",
    /* 42 */ L"수정 상태",
    /* 43 */ L"설치 프로그램이 \"Korvane\"를 수정하고 있습니다.",
    /* 44 */ kEmpty,  // progress caption of page 5
    /* 45 */ L"복구 상태",
    /* 46 */ L"설치 프로그램이 \"Korvane\"를 복구하고 있습니다.",
    /* 47 */ kEmpty,  // progress caption of page 3
    /* 48 */ L"제거 상태",
    /* 49 */ L"설치 프로그램이 \"Korvane\"를 제거하고 있습니다.",
    /* 50 */ kEmpty,  // progress caption of page 4
    /* 51 */ L"설치 상태",
    /* 52 */ L"설치 프로그램이 \"Korvane\"를 설치하고 있습니다.",
    /* 53 */ kEmpty,  // progress caption of page 11
    // 54-66: drawn by no page; they keep the numbering of the completion rows.
    /* 54 */ kEmpty, kEmpty, kEmpty, kEmpty, kEmpty, kEmpty, kEmpty,
    /* 61 */ kEmpty, kEmpty, kEmpty, kEmpty, kEmpty, kEmpty,
    /* 67 */ L"수정 완료",
    /* 68 */ L"\"Korvane\"가 컴퓨터에 성공적으로 수정되었습니다.",
    /* 69 */ kFinishLine,
    /* 70 */ kEmpty,
    /* 71 */ L"복구 완료",
    /* 72 */ L"\"Korvane\"가 컴퓨터에 성공적으로 복구되었습니다.",
    /* 73 */ kFinishLine,
    /* 74 */ kEmpty,
    /* 75 */ L"제거 완료",
    /* 76 */ L"\"Korvane\"가 컴퓨터에 성공적으로 제거되었습니다.",
    /* 77 */ kFinishLine,
    /* 78 */ kEmpty,
    /* 79 */ L"설치 완료",
    /* 80 */ L"\"Korvane\"가 컴퓨터에 성공적으로 설치되었습니다.",
    /* 81 */ kFinishLine,
    /* 82 */ L"\"Korvane\"를 설치해 주셔서 감사합니다.",
    /* 83 */ L"설치 오류",
    /* 84 */ L"\"Korvane\"를 컴퓨터에 설치중 오류가 발생 되었습니다.",
    // 85-97: no text.
    /* 85 */ kEmpty, kEmpty, kEmpty, kEmpty, kEmpty, kEmpty, kEmpty,
    /* 92 */ kEmpty, kEmpty, kEmpty, kEmpty, kEmpty, kEmpty,
};

// Rows 54-66 belong to no page; an empty rectangle clips anything drawn there.
const TextRect textRects[kTextRectRows] = {
    /*  0 */ {60, 20, 634, 50},   {60, 200, 634, 230},  {60, 230, 634, 260},
    /*  3 */ {40, 20, 634, 50},   {40, 80, 634, 110},   {59, 113, 634, 143},
    /*  6 */ {59, 203, 634, 233}, {59, 293, 634, 323},  {124, 140, 634, 176},
    /*  9 */ {124, 165, 634, 201}, {124, 230, 634, 266}, {124, 320, 634, 356},
    /* 12 */ {40, 80, 634, 110},  {40, 20, 634, 50},    {59, 293, 634, 323},
    /* 15 */ {59, 317, 634, 347}, {40, 20, 634, 50},    {40, 80, 634, 110},
    /* 18 */ {59, 143, 634, 173}, {59, 223, 634, 253},  {124, 170, 634, 206},
    /* 21 */ {124, 250, 634, 286}, {40, 20, 634, 50},   {40, 80, 634, 110},
    /* 24 */ {40, 150, 634, 190}, {40, 190, 634, 240},  {40, 20, 634, 50},
    /* 27 */ {40, 80, 634, 110},  {60, 123, 634, 148},  {60, 153, 634, 178},
    /* 30 */ {60, 183, 634, 208}, {40, 278, 634, 300},  {40, 300, 634, 324},
    /* 33 */ {40, 324, 634, 348}, {40, 20, 634, 50},    {40, 80, 634, 110},
    /* 36 */ {60, 123, 634, 148}, {60, 153, 634, 178},  {60, 183, 634, 208},
    /* 39 */ {40, 278, 634, 300}, {40, 300, 634, 324},  {40, 324, 634, 348},
    /* 42 */ {40, 20, 634, 50},   {40, 80, 634, 110},   {35, 180, 634, 220},
    /* 45 */ {40, 20, 634, 50},   {40, 80, 634, 110},   {35, 180, 634, 220},
    /* 48 */ {40, 20, 634, 50},   {40, 80, 634, 110},   {35, 180, 634, 220},
    /* 51 */ {40, 20, 634, 50},   {40, 80, 634, 110},   {35, 180, 634, 220},
    /* 54 */ {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0},
    /* 59 */ {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0},
    /* 64 */ {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0},
    /* 67 */ {40, 20, 634, 50},   {40, 80, 634, 110},   {40, 150, 634, 190},
    /* 70 */ {40, 190, 634, 240}, {40, 20, 634, 50},    {40, 80, 634, 110},
    /* 73 */ {40, 150, 634, 190}, {40, 190, 634, 240},  {40, 20, 634, 50},
    /* 76 */ {40, 80, 634, 110},  {40, 150, 634, 190},  {40, 190, 634, 240},
    /* 79 */ {40, 20, 634, 50},   {40, 80, 634, 110},   {40, 150, 634, 190},
    /* 82 */ {40, 190, 634, 240}, {40, 20, 634, 50},    {40, 80, 634, 110},
    /* 85 */ {40, 150, 634, 190}, {40, 190, 634, 240},
};

// Five looks per button: normal, focus, hover, pressed, disabled.
#define KV_BUTTON_LOOKS(x, y, w, pics) \
  {x, y, w, pics[0]}, {x, y, w, pics[1]}, {x, y, w, pics[2]}, {x, y, w, pics[3]}, {x, y, w, pics[4]}

const ButtonImage buttonImages[kButtonImageRows] = {
    KV_BUTTON_LOOKS(333, 393, skin::kButtonWidth, skin::buttonBack),        // rows 0-4
    KV_BUTTON_LOOKS(422, 393, skin::kButtonWidth, skin::buttonNext),        // rows 5-9
    KV_BUTTON_LOOKS(511, 393, skin::kButtonWidth, skin::buttonExit),        // rows 10-14
    KV_BUTTON_LOOKS(511, 393, skin::kButtonWidth, skin::buttonFinish),      // rows 15-19
    KV_BUTTON_LOOKS(511, 393, skin::kButtonWidth, skin::buttonCancel),      // rows 20-24
    KV_BUTTON_LOOKS(478, 290, skin::kWideButtonWidth, skin::buttonBrowse),  // rows 25-29
};
#undef KV_BUTTON_LOOKS

// Six looks per option position, all positions sharing the same pictures.
#define KV_OPTION_LOOKS(x, y)                                                      \
  {x, y, skin::optionMarkLooks[0]}, {x, y, skin::optionMarkLooks[1]},              \
      {x, y, skin::optionMarkLooks[2]}, {x, y, skin::optionMarkLooks[3]},          \
      {x, y, skin::optionMarkLooks[4]}, {x, y, skin::optionMarkLooks[5]}

const MarkImage optionMarks[kOptionMarkRows] = {
    KV_OPTION_LOOKS(34, 120),  // page 1, option 0
    KV_OPTION_LOOKS(34, 210),  // page 1, option 1
    KV_OPTION_LOOKS(34, 300),  // page 1, option 2
    KV_OPTION_LOOKS(34, 300),  // page 6, option 0
    KV_OPTION_LOOKS(34, 324),  // page 6, option 1
    KV_OPTION_LOOKS(34, 150),  // page 7, option 0
    KV_OPTION_LOOKS(34, 230),  // page 7, option 1
};
#undef KV_OPTION_LOOKS

const MarkImage checkMarks[kCheckMarkRows] = {
    {40, 130, skin::checkMarkLooks[0]}, {40, 130, skin::checkMarkLooks[1]},
    {40, 160, skin::checkMarkLooks[0]}, {40, 160, skin::checkMarkLooks[1]},
    {40, 190, skin::checkMarkLooks[0]}, {40, 190, skin::checkMarkLooks[1]},
};

const wchar_t* const kErrorCaption = L"오류";

const wchar_t* const kOpenFailureMessages[8] = {
    L"KVSetup.dat 파일이 없습니다.",    // -1
    L"KVSetup.dat 파일 읽기 오류",      // -2
    L"KVSetup.dat 파일 사이즈 오류",    // -3
    L"KVSetup.dat 파일 정보 오류",      // -4
    L"KVSetup.dat 버전 오류",           // -5
    L"KVSetup.dat CRC 오류",            // -6
    L"KVSetup.d0x 파일 읽기 오류",      // -7
    L"KVSetup.d0x 파일 크기 오류",      // -8
};
