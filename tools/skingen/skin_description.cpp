#include "skin_description.h"

#include <string_view>

namespace torvex::skingen {
namespace {

struct Builder {
    SkinDescription d;

    template <std::size_t N>
    static void put(std::array<Entry, N>& table, std::size_t index, Rect r, Look look,
                    std::string_view id, std::string_view cn = {}, std::string_view en = {},
                    int level = 0) {
        table.at(index) = Entry{r, look, std::string(id), std::string(cn), std::string(en), level};
    }

    void fun(int code, std::string_view cn, std::string_view en) {
        d.funCn.at(static_cast<std::size_t>(code)) = cn;
        d.funEn.at(static_cast<std::size_t>(code)) = en;
    }

    void shared() {
        auto& m = d.main;
        // Title bar.
        put(m, 19, {436, 14, 96, 26}, Look::Segment, "website", "官方网站", "Website");
        put(m, 17, {540, 14, 60, 26}, Look::Segment, "lang_cn", "中文", "中文");
        put(m, 18, {604, 14, 76, 26}, Look::Segment, "lang_en", "English", "English");
        put(m, 12, {700, 12, 34, 28}, Look::Minimise, "minimise");
        put(m, 13, {738, 12, 34, 28}, Look::Close, "close");
        // Page tabs and profiles.
        put(m, 9, {24, 62, 150, 38}, Look::Tab, "tab_main", "按键设置", "Buttons");
        put(m, 10, {178, 62, 150, 38}, Look::Tab, "tab_macro", "宏编程", "Macros");
        put(m, 11, {332, 62, 150, 38}, Look::Tab, "tab_light", "灯光效果", "Lighting");
        put(m, 1, {512, 66, 78, 30}, Look::Label, "profile_title", "配置", "PROFILE");
        for (int i = 0; i < 5; ++i) {
            const std::string n = std::to_string(i + 1);
            put(m, 4 + static_cast<std::size_t>(i), {594 + 36 * i, 66, 32, 30}, Look::Segment,
                "profile_" + n, n, n);
        }
        // Footer.
        put(m, 14, {30, 590, 126, 34}, Look::Button, "config_import", "导入配置", "Import profile");
        put(m, 15, {162, 590, 126, 34}, Look::Button, "config_export", "导出配置",
            "Export profile");
        put(m, 16, {294, 590, 120, 34}, Look::Button, "factory_reset", "恢复出厂", "Factory reset");
        put(m, 0, {450, 590, 92, 34}, Look::Button, "save", "保存", "Save");
        put(m, 2, {548, 590, 92, 34}, Look::Button, "cancel_hide", "取消", "Cancel");
        put(m, 3, {646, 590, 126, 34}, Look::Accent, "apply", "应用", "Apply");
    }

    void mainPage() {
        auto& m = d.main;
        put(m, 20, {30, 114, 200, 22}, Look::Heading, "buttons_title", "按键功能分配",
            "BUTTON ASSIGNMENT");
        put(m, 39, {230, 140, 86, 20}, Look::Label, "col_button", "按键", "BUTTON");
        put(m, 40, {320, 140, 276, 20}, Look::Label, "col_function", "功能", "FUNCTION");
        static constexpr std::array<std::array<std::string_view, 2>, 7> kSlotNames{{
            {"左键", "Left"},
            {"右键", "Right"},
            {"滚轮键", "Wheel"},
            {"侧面后键", "Side rear"},
            {"侧面前键", "Side front"},
            {"顶部后键", "Top rear"},
            {"顶部前键", "Top front"},
        }};
        for (std::size_t k = 0; k < 7; ++k) {
            const int y = 164 + 35 * static_cast<int>(k);
            const std::string n = std::to_string(k);
            put(m, 32 + k, {230, y, 86, 30}, Look::Label, "slot_name_" + n, kSlotNames[k][0],
                kSlotNames[k][1]);
            // The program replaces a slot's caption by the assigned function's name, a user
            // macro's included: 276 pixels hold nineteen CJK characters (the longest name a
            // record keeps) with the text's inset and the chevron, as captions are not clipped.
            put(m, 25 + k, {320, y, 276, 30}, Look::Slot, "slot_" + n);
        }
        // The mouse drawing: one highlight rectangle per button, disjoint, so that lighting
        // one button in the over picture never spills onto another.
        const int mx = 30;
        const int my = 142;
        const std::array<Rect, 7> hl{{
            {mx + 28, my + 3, 55, 115},  // left button
            {mx + 107, my + 3, 55, 115}, // right button
            {mx + 85, my + 26, 20, 54},  // wheel
            {mx + 14, my + 172, 30, 40}, // side rear
            {mx + 14, my + 128, 30, 42}, // side front
            {mx + 85, my + 101, 20, 18}, // top rear
            {mx + 85, my + 82, 20, 18},  // top front
        }};
        for (std::size_t k = 0; k < 7; ++k) {
            put(m, 90 + k, hl[k], Look::Highlight, "slot_light_" + std::to_string(k), {}, {},
                static_cast<int>(k));
        }
        // Right column: wheel switch, tips, emblem.
        put(m, 43, {604, 140, 166, 20}, Look::Label, "wheel_title", "滚轮", "SCROLL WHEEL");
        put(m, 41, {604, 164, 80, 30}, Look::Segment, "wheel_off", "关闭", "OFF");
        put(m, 42, {688, 164, 80, 30}, Look::Segment, "wheel_on", "开启", "ON");
        put(m, 44, {604, 212, 166, 20}, Look::Label, "tips_title", "提示", "TIPS");
        put(m, 45, {604, 236, 166, 20}, Look::Label, "tip_1", "点击功能栏更换功能",
            "Click a slot to pick");
        put(m, 23, {604, 258, 166, 20}, Look::Label, "tip_2", "悬停可查看对应按键",
            "a new function.");
        put(m, 24, {604, 280, 166, 20}, Look::Label, "tip_3", "点击应用写入鼠标",
            "Apply sends it.");
        put(m, 59, {604, 312, 164, 92}, Look::Plate, "emblem");
        // DPI band.
        put(m, 21, {36, 426, 148, 20}, Look::Heading, "dpi_title", "DPI 档位", "DPI LEVELS");
        put(m, 22, {190, 426, 104, 20}, Look::Label, "dpi_active", "当前档位", "ACTIVE");
        put(m, 58, {300, 426, 460, 20}, Look::Scale, "dpi_scale");
        static constexpr std::array<std::string_view, 4> kLevelCn{"档位一", "档位二", "档位三",
                                                                  "档位四"};
        for (std::size_t s = 0; s < 4; ++s) {
            const int y = 452 + 32 * static_cast<int>(s);
            const std::string n = std::to_string(s);
            const std::string en = "DPI " + std::to_string(s + 1);
            put(m, 46 + s, {44, y, 48, 26}, Look::Switch, "dpi_enable_" + n);
            put(m, 50 + s, {98, y, 86, 26}, Look::Label, "dpi_label_" + n, kLevelCn[s], en);
            put(m, 54 + s, {204, y, 40, 26}, Look::Radio, "dpi_select_" + n, {}, {},
                static_cast<int>(s));
            put(m, 80 + s, {254, y, 34, 26}, Look::Mark, "dpi_current_" + n, {}, {},
                static_cast<int>(s));
            for (std::size_t v = 0; v < 5; ++v) {
                put(m, 60 + 5 * s + v, {300 + 92 * static_cast<int>(v), y, 92, 26}, Look::Notch,
                    "dpi_" + n + "_step_" + std::to_string(v), {}, {}, static_cast<int>(v));
            }
        }
        for (std::size_t i : {84, 85, 86, 87, 88, 89, 97, 98}) {
            put(m, i, {}, Look::Hidden, "unused");
        }
    }

    void advancedPage() {
        auto& a = d.adv;
        // Macro list column.
        put(a, 35, {30, 114, 186, 22}, Look::Heading, "macros_title", "宏列表", "MACROS");
        d.macroList = {30, 140, 186, 262};
        put(a, 39, {30, 408, 186, 20}, Look::Plain, "name_title", "宏名称", "Macro name");
        d.macroNameEdit = {30, 432, 186, 26};
        put(a, 2, {30, 468, 90, 30}, Look::Button, "macro_new", "新建", "New");
        put(a, 3, {126, 468, 90, 30}, Look::Button, "macro_delete", "删除", "Delete");
        put(a, 0, {30, 506, 90, 30}, Look::Button, "macro_import", "导入", "Import");
        put(a, 1, {126, 506, 90, 30}, Look::Button, "macro_export", "导出", "Export");
        put(a, 45, {30, 548, 186, 20}, Look::Plain, "macro_limit", "最多可保存 12 个宏",
            "Up to 12 macros");
        // Event list column.
        put(a, 36, {246, 114, 230, 22}, Look::Heading, "events_title", "宏事件", "EVENTS");
        d.eventList = {246, 140, 230, 318};
        put(a, 43, {246, 464, 110, 24}, Look::Value, "down_count", "[↓]0", "[↓]0");
        put(a, 44, {366, 464, 110, 24}, Look::Value, "up_count", "[↑]0", "[↑]0");
        put(a, 4, {246, 496, 230, 40}, Look::Accent, "record", "录制", "Record");
        put(a, 46, {246, 546, 230, 20}, Look::Plain, "events_tip", "右键单击列表编辑事件",
            "Right-click to edit events");
        // Playback and speed column.
        put(a, 38, {506, 114, 264, 22}, Look::Heading, "playback_title", "播放设置", "PLAYBACK");
        put(a, 6, {506, 142, 134, 28}, Look::Check, "repeat_mode", "循环播放", "Repeat");
        put(a, 37, {644, 142, 56, 28}, Look::Label, "repeat_times", "次数", "Times");
        d.repeatEdit = {704, 143, 66, 26};
        put(a, 7, {506, 178, 264, 28}, Look::Check, "hold_mode", "按住按键时循环",
            "Repeat while held");
        put(a, 5, {506, 214, 264, 32}, Look::Button, "macro_save", "保存宏", "Save macros");
        put(a, 40, {506, 258, 264, 22}, Look::Heading, "speed_title", "速度设置", "SPEED");
        put(a, 28, {506, 284, 264, 20}, Look::Label, "pointer_title", "指针速度", "Pointer speed");
        put(a, 29, {506, 364, 264, 20}, Look::Label, "wheel_title", "滚轮速度", "Scroll lines");
        for (std::size_t i = 0; i < 10; ++i) {
            const std::string n = std::to_string(i + 1);
            const int x = 507 + 26 * static_cast<int>(i);
            put(a, 8 + i, {x, 308, 24, 26}, Look::Segment, "pointer_" + std::to_string(i), n, n);
            put(a, 18 + i, {x, 388, 24, 26}, Look::Segment, "wheel_" + std::to_string(i), n, n);
        }
        put(a, 41, {506, 336, 96, 20}, Look::Plain, "pointer_slow", "慢", "Slow");
        put(a, 42, {674, 336, 96, 20}, Look::Plain, "pointer_fast", "快", "Fast");
        put(a, 49, {506, 416, 96, 20}, Look::Plain, "wheel_few", "少", "Fewer");
        put(a, 50, {674, 416, 96, 20}, Look::Plain, "wheel_many", "多", "More");
        put(a, 34, {506, 444, 160, 20}, Look::Label, "fire_title", "连发间隔", "Rapid fire");
        put(a, 33, {680, 442, 90, 24}, Look::Value, "fire_value", "50ms", "50ms");
        put(a, 32, {506, 472, 30, 28}, Look::Button, "fire_minus", "-", "-");
        put(a, 30, {542, 472, 192, 28}, Look::Bar, "fire_bar");
        put(a, 31, {740, 472, 30, 28}, Look::Button, "fire_plus", "+", "+");
        put(a, 47, {506, 508, 264, 20}, Look::Plain, "fire_tip_1", "连发键每次点击的间隔",
            "Time between rapid-fire");
        put(a, 48, {506, 530, 264, 20}, Look::Plain, "fire_tip_2", "范围 0 - 300 毫秒",
            "clicks: 0 to 300 ms");
    }

    void colourPage() {
        auto& c = d.color;
        put(c, 5, {30, 114, 430, 22}, Look::Heading, "preview_title", "灯光预览", "PREVIEW");
        put(c, 11, {36, 142, 418, 430}, Look::Field, "preview");
        put(c, 4, {490, 114, 280, 22}, Look::Heading, "mode_title", "灯光模式", "LIGHTING MODE");
        static constexpr std::array<std::array<std::string_view, 2>, 4> kModes{{
            {"慢速色彩轮换", "Slow colour cycle"},
            {"快速色彩轮换", "Fast colour cycle"},
            {"跟随 DPI 颜色", "DPI level colour"},
            {"关闭灯光", "Lights off"},
        }};
        for (std::size_t k = 0; k < 4; ++k) {
            put(c, k, {490, 144 + 50 * static_cast<int>(k), 280, 42}, Look::ModeRadio,
                "mode_" + std::to_string(k), kModes[k][0], kModes[k][1]);
        }
        put(c, 6, {490, 356, 280, 20}, Look::Heading, "dpi_title", "当前 DPI", "CURRENT DPI");
        put(c, 9, {560, 384, 140, 36}, Look::Value, "dpi_value", "800", "800");
        put(c, 10, {490, 430, 280, 20}, Look::Plain, "level_colours", "每个档位对应一种颜色",
            "Each level has its colour");
        // The four level colours are painted as chips between entries 10 and 12.
        put(c, 12, {490, 482, 280, 20}, Look::Plain, "level_legend", "蓝 / 粉 / 红 / 紫",
            "blue / pink / red / purple");
        put(c, 7, {490, 522, 280, 20}, Look::Plain, "apply_tip_1", "点击应用后灯光生效",
            "Lighting changes on Apply;");
        put(c, 8, {490, 544, 280, 20}, Look::Plain, "apply_tip_2", "预览显示已应用的模式",
            "the preview shows it then.");
    }

    void warning() {
        auto& w = d.warn;
        d.warnWidth = 420;
        d.warnHeight = 200;
        d.warnOutline = {{20, 26},  {150, 26},  {172, 4},   {248, 4},  {270, 26}, {400, 26},
                         {420, 46}, {420, 178}, {398, 200}, {22, 200}, {0, 178},  {0, 46}};
        put(w, 2, {30, 58, 360, 56}, Look::Plain, "message", "这是唯一的左键，确定要更改吗？",
            "Change the last left-click button?");
        put(w, 0, {62, 136, 130, 36}, Look::Button, "answer_go_on", "继续", "Change");
        put(w, 1, {228, 136, 130, 36}, Look::Button, "answer_cancel", "取消", "Keep");
    }

    void functionNames() {
        fun(1, "左键", "Left click");
        fun(2, "右键", "Right click");
        fun(3, "中键", "Middle click");
        fun(4, "前进", "Forward");
        fun(5, "后退", "Back");
        fun(6, "DPI 循环", "DPI cycle");
        fun(7, "高级功能 ›", "Advanced ›");
        fun(8, "多媒体 ›", "Multimedia ›");
        fun(9, "宏 ›", "Macros ›");
        fun(10, "快捷宏 ›", "Fixed macros ›");
        fun(11, "连发", "Rapid fire");
        fun(12, "双击", "Double click");
        fun(13, "向上滚动", "Scroll up");
        fun(14, "向下滚动", "Scroll down");
        fun(15, "DPI 加", "DPI up");
        fun(16, "DPI 减", "DPI down");
        fun(17, "禁用按键", "Disabled");
        for (int code : {18, 19, 20, 53, 54}) {
            fun(code, "无功能", "No function");
        }
        fun(21, "主页", "Home page");
        fun(22, "媒体播放器", "Media player");
        fun(23, "邮件", "E-mail");
        fun(24, "音量加", "Volume up");
        fun(25, "音量减", "Volume down");
        fun(26, "上一曲", "Previous track");
        fun(27, "下一曲", "Next track");
        fun(28, "静音", "Mute");
        fun(29, "播放/暂停", "Play/Pause");
        fun(30, "计算器键", "Calculator key");
        // Fixed macros, named as in constMacro.dat and in the same order.
        fun(31, "复制", "Copy");
        fun(32, "粘贴", "Paste");
        fun(33, "剪切", "Cut");
        fun(34, "撤销", "Undo");
        fun(35, "全选", "Select all");
        fun(36, "保存", "Save");
        fun(37, "关闭窗口", "Close window");
        fun(38, "显示桌面", "Show desktop");
        fun(39, "计算器", "Calculator");
        fun(40, "终端", "Terminal");
        for (int code = 41; code <= 52; ++code) {
            const std::string n = std::to_string(code - 40);
            fun(code, "宏 " + n, "Macro " + n);
        }
    }

    void shapes() {
        d.width = 800;
        d.height = 640;
        d.outline = {{28, 0},    {784, 0},   {800, 16},  {800, 612}, {772, 640}, {520, 640},
                     {510, 632}, {290, 632}, {280, 640}, {16, 640},  {0, 624},   {0, 380},
                     {6, 372},   {6, 268},   {0, 260},   {0, 28}};
        d.menuWidth = 200;
        d.menuRowHeight = 28;
        d.subWidth = 260;
        d.subRowHeight = 28;
        d.knob = {0, 0, 92, 26};
    }
};

SkinDescription build() {
    Builder b;
    b.shapes();
    b.shared();
    b.mainPage();
    b.advancedPage();
    b.colourPage();
    b.warning();
    b.functionNames();
    return std::move(b.d);
}

} // namespace

const SkinDescription& skin() {
    static const SkinDescription description = build();
    return description;
}

} // namespace torvex::skingen
