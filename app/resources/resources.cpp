#include "app/resources/resource.h"

using tavelo::platform::AcceleratorTemplate;
using tavelo::platform::MenuTemplate;

const char* loadString(int id) {
    switch (id) {
        case IDS_DISPLAY_CHANGE_FAILED:
            return "画面解像度の変更に失敗しました。";
        case IDS_RESOLUTION_INSUFFICIENT:
            return "画面解像度が不足しています。1360 x 768 以上の解像度の環境が必要です。";
        case IDS_CAPTION:
            return "Velmora - ヴェルモラ";
        default:
            return nullptr;
    }
}

const MenuTemplate& loadMenu() {
    static const MenuTemplate menu{{
        {"ファイル(_F)", {{IDM_EXIT, "終了(_X)", "Ctrl+Q", false, false}}},
        {"表示(_V)",
         {{IDM_FULL_SCREEN, "フルスクリーン(_S)", "Alt+Enter", false, true},
          {IDM_WINDOW, "ウィンドウ(_W)", "Alt+Enter", true, true}}},
    }};
    return menu;
}

const std::vector<AcceleratorTemplate>& loadAccelerators() {
    static const std::vector<AcceleratorTemplate> accelerators{
        {AcceleratorTemplate::Key::Q, AcceleratorTemplate::Control, IDM_EXIT},
        {AcceleratorTemplate::Key::Return, AcceleratorTemplate::Alt, IDM_TOGGLE_SCREEN_MODE},
        {AcceleratorTemplate::Key::KeypadEnter, AcceleratorTemplate::Alt, IDM_TOGGLE_SCREEN_MODE},
    };
    return accelerators;
}
