// The macro page's commands on the user macro table, without a widget: the page hands over its
// four controls through MacroPageControls, and the editor keeps the page state that outlives them.
//
// How a page widget drives it:
//   controls created, a load while the page shows, a language switch -> refillMacroList
//   the user changes the macroList selection                          -> selectMacro
//   page entries 2, 3, 5, 6                        -> newMacro, deleteMacro, saveMacros,
//   toggleRepeat right-button release (not recording)  -> rightButtonReleased(row from eventRowAt,
//   inside);
//       open the menu when it says so; then contextMenuClosed; then menuCommand(id) if one was
//       chosen: Overflow -> message box "Overflow!!!", BeginDelayEdit -> the list's edit request
//   eventList reports "edit ended" (maybe twice)                      -> storeEditedDelay
// Recording (page entry 4, key messages) is MacroRecorder's.
#pragma once

#include "macro/macro_record.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace torvex {

// The macro page's controls as the editor uses them. Rows count from 0; -1 is "no selection".
// All texts are UTF-16, as the controls hold them. Changes made through this interface must not
// call back into the editor: only the user's own selection change in macroList runs selectMacro.
// The editor never calls it while holding the tables' lock.
class MacroPageControls {
public:
    virtual ~MacroPageControls() = default;

    // macroList: one row per user macro.
    virtual int macroRowCount() const = 0;
    virtual int macroSelection() const = 0;
    virtual std::u16string macroRowText(int row) const = 0; // "" for a row outside the list
    virtual void clearMacroRows() = 0;
    virtual void addMacroRow(std::u16string_view name) = 0;
    virtual void removeMacroRow(int row) = 0;
    virtual void selectMacroRow(int row) = 0; // a row outside the list selects nothing
    virtual void focusMacroList() = 0;

    // macroNameEdit.
    virtual std::u16string nameText() const = 0;
    virtual void setNameText(std::u16string_view text) = 0;

    // eventList.
    virtual int eventRowCount() const = 0;
    virtual int eventSelection() const = 0;
    virtual std::optional<std::u16string> eventRowText(int row) const = 0;
    virtual void clearEventRows() = 0;
    virtual void addEventRow(std::u16string_view text) = 0;
    virtual void selectEventRow(int row) = 0; // a row outside the list selects nothing
    virtual void focusEventList() = 0;

    // repeatEdit.
    virtual std::u16string repeatText() const = 0;
    virtual void setRepeatText(std::u16string_view text) = 0;
    virtual void setRepeatEnabled(bool enabled) = 0;

    // Repaint the main window (the "[↓]"/"[↑]" counters, the record button's caption).
    virtual void invalidate() = 0;
};

// Page state that survives the controls (they exist only while the page shows).
struct MacroEditState {
    int eventListRow = 0;  // the eventList row the page keeps selected across redisplays
    int eventRowCount = 0; // eventList rows at the last right-click
    int editMacro = 0;     // macro the context-menu commands change (-1: none selected)
    int editEvent = 0;     // event the context-menu commands act on
    int downCount = 0;     // rows with the down mark since the list was last cleared
    int upCount = 0;       // rows with the up mark
    bool recording = false;
};

// The event list's context-menu commands, by menu id (English and Chinese menus alike).
struct EventMenuCommand {
    enum class Kind { InsertBefore, InsertAfter, ModifyDelay, Delete };
    Kind kind = Kind::Delete;
    std::uint8_t code = 0;   // inserts: 240, 241, 242
    std::uint8_t action = 0; // inserts: kActionDown or kActionUp
    bool operator==(const EventMenuCommand&) const = default;
};
std::optional<EventMenuCommand> eventMenuCommand(int menuId);

// The message box text for a full macro.
inline constexpr std::string_view kOverflowMessage = "Overflow!!!";

enum class MenuOutcome {
    Ignored,        // recording, no macro selected, or not a command of this menu
    Done,           // the table and the event list changed
    Overflow,       // the macro is full: show "Overflow!!!" (caption: the application name)
    BeginDelayEdit, // ask eventList to edit its selected row (the edit request)
};

enum class InsertResult { Inserted, Overflow, NoSuchMacro };

struct MacroSaveResult {
    bool saved = false;
    std::string error;
};

// Every change to the table happens under MacroTables::mutex, so the playback worker never sees
// a half-made change and an edit reaches the events it has not played yet. Methods taking the
// controls are the page's commands; call them only while the page and its controls exist.
class MacroEditor {
public:
    explicit MacroEditor(MacroTables& tables) : tables_(tables) {}

    MacroEditState& state() { return state_; }
    const MacroEditState& state() const { return state_; }
    MacroTables& tables() { return tables_; }

    // After the start-up load: the kept row becomes the last event row of the current macro.
    void selectLastRowOfCurrentMacro();

    // Fills eventList with macro `macro` (a slot of the user table) and sets the counters and
    // the repeat field; a macro without events leaves the repeat field as it was.
    void showMacroEvents(MacroPageControls& page, int macro);
    // The macroList selection becomes the current macro and is shown.
    void selectMacro(MacroPageControls& page);
    // Rebuilds macroList from the table and selects the current macro (kept within the list).
    void refillMacroList(MacroPageControls& page);

    // Page entries 2, 3, 5 and 6.
    void newMacro(MacroPageControls& page);
    void deleteMacro(MacroPageControls& page);
    // Clamps the repeat field to 1..65535 (writing a corrected value back), stores it in the
    // current macro and saves the whole table to `macroFile`, the only write of the page.
    MacroSaveResult saveMacros(MacroPageControls& page, const std::filesystem::path& macroFile);
    void toggleRepeat(MacroPageControls& page);

    // The row under the pointer, as the list's geometry gives it (0 when itemHeight is 0).
    static int eventRowAt(int scrollTop, int itemHeight, int pointerY, int listTop);
    // Right-button release on the macro page while not recording: keeps and selects `row`,
    // notes the row count; true when the context menu should open.
    bool rightButtonReleased(MacroPageControls& page, int row, bool pointerInsideList);
    // After the context menu closed (whether or not it opened): which macro and event the
    // commands act on.
    void contextMenuClosed(MacroPageControls& page);
    // A command chosen in the context menu.
    MenuOutcome menuCommand(MacroPageControls& page, int menuId);
    // eventList ended an in-place edit (kept or not; harmless when repeated): the delay in the
    // kept row's text becomes delay editEvent of editMacro, and the macro is shown again.
    void storeEditedDelay(MacroPageControls& page);

    // The table operations under the commands. Insert puts (code, action) with the default
    // delay at `position` (limited to the event count) and moves the kept row two down.
    InsertResult insertEvent(int macro, int position, std::uint8_t code, std::uint8_t action);
    // Removes event `position` and its delay; a position at or past the last event removes
    // the last one. The kept row moves two up (not below 0).
    void deleteEvent(int macro, int position);

private:
    bool isUserMacro(int macro) const; // a macro in use (0..count-1); caller holds the lock
    MacroTables& tables_;
    MacroEditState state_;
};

// The delay an edited row stands for: the leading integer of the text before the first "ms",
// limited to 0..65535.
std::uint16_t delayFromRowText(std::u16string_view text);

// The repeat count a repeat-field text stands for, limited to 1..65535.
std::uint16_t repeatCountFromText(std::u16string_view text);

} // namespace torvex
