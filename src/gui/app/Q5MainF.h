#pragma once
// TfmMain: the program's one main window. Its menus become the tool bar tbrMenu; the LED
// and button tool bars, the channel status table and the status bar show the engine's
// state; every command forwards to core. It holds no protocol logic.

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <array>
#include <filesystem>
#include <string_view>

#include "app/Context.h"
#include "common/UserInterface.h"

class QAction;
class QActionGroup;
class QMenu;
class QToolBar;
class QToolButton;

namespace vadrix {

class Descriptions;
class Dialogs;
class Engine;
class Q5StatusBar;
class Q5StatusTable;
class PortTable;
class SendEditors;
class TfmLnk;
class TLogView;

class TfmMain : public QMainWindow {
    Q_OBJECT
  public:
    static constexpr int kMenus = 7;
    static constexpr int kMruEntries = 6;
    static constexpr int kSlots = 12;

    TfmMain(Context& ctx, Engine& engine, Descriptions& descriptions, Dialogs& dialogs,
            QWidget* parent = nullptr);
    ~TfmMain() override;

    // What the core's user interface seam reports.
    void SetIndicator(Indicator which, int state);
    void RefreshStatus();
    // Every caption again from the text table (after the language changed).
    void ApplyTexts();
    // The shortcut keys as the option flags say.
    void ApplyShortcuts();
    // The stored placement, once, before the window is first shown.
    void RestorePlacement();

    // The menus' commands, reachable for the tool bar and the tests.
    QAction* Action(std::string_view name) const;
    QToolBar* MenuBar() const { return tbrMenu_; }
    QToolButton* MenuButton(int i) const { return menuButtons_[i]; }
    QMenu* Menu(int i) const { return menus_[i]; }
    QMenu* PopupMenu() const { return pmMain_; }
    QToolButton* LedButton(int i) const { return leds_[i]; }
    QToolButton* OnlineButton() const { return tbtnOnl_; }
    QToolButton* DisplayButton() const { return tbtnTel_; }
    Q5StatusTable* StatusTable() const { return tbSt_; }
    Q5StatusBar* StatusBarWidget() const { return stbrMain_; }
    TLogView* LogView() const { return view_; }
    SendEditors* Editors() const { return editors_; }
    // The port numbers and their devices, for the channel dialogs.
    void SetPortTable(const PortTable* ports) { ports_ = ports; }
    QStringList RecentFiles() const { return mru_; }
    void AddRecentFile(const std::filesystem::path& file);
    // The main timer's hook: the engine has ticked.
    void AfterTick();
    // The log view again (the core asked for it).
    void Redraw();

    // Writes the settings file (a new data folder is kept there).
    std::function<void()> saveSettings;
    // Called when the window closes: history and placement into the settings.
    std::function<void()> onClose;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void BuildActions();
    void BuildMenus();
    void BuildToolBars();
    void BuildClientArea();
    QAction* NewAction(const char* name, void (TfmMain::*handler)());
    void Bind(const char* name, void (TfmMain::*handler)());

    // Commands.
    void aGoOnlClick();
    void aGoOfflClick();
    void aAusgLogClick();
    void aAusgOnlClick();
    void aZtClick();
    void aAFormatClick(int format);
    void aClearClick();
    void aResetClick();
    void aLogDelClick();
    void miLogOpClick();
    void miLogSavClick();
    void miSeTeLoadClick();
    void miSeTeSavClick();
    void aTextLoadClick();
    void miLinkTestClick(int channel);
    void aSeTeClick(int slot);
    void aSeLiClick(int slot);
    void aPaTeClick(int slot);
    void aPaLiClick(int slot);
    void miEmSeClick(int channel);
    void miAllgClick();
    void miTelSizeClick();
    void miOptClick();
    void miLogDruckenClick();
    void miSeStopClick();
    void miSendClick();
    void miViewClick();
    void miGerClick(int language);
    void AFiltAEClick();
    // aAFilter (the display filter) and miLFilter (the log filter).
    void FilterClick(int which);
    void miInfoClick();
    void mruFileClick(const QString& file);

    void OpenLog(const std::filesystem::path& file);
    void LoadSendFileCommand(const std::filesystem::path& file);
    void LoadDescriptionFile(const std::filesystem::path& file);
    bool AskGoOffline();
    MessageResult Ask(int text, std::string_view argument = {});
    void ShowDisplay(bool online);
    void StorePlacement();
    void StoreHistory();
    void RefreshCaption();
    void RefreshSendActions();
    void RefreshMru();
    QString Caption() const;

    Context& ctx_;
    Engine& engine_;
    Descriptions& descriptions_;
    Dialogs& dialogs_;

    QToolBar* tbrMenu_ = nullptr;
    QToolBar* tbrLed_ = nullptr;
    QToolBar* tbrBtn_ = nullptr;
    std::array<QToolButton*, kMenus> menuButtons_{};
    std::array<QMenu*, kMenus> menus_{};
    QMenu* seTeMenu_ = nullptr;
    QMenu* seLiMenu_ = nullptr;
    QMenu* paTeMenu_ = nullptr;
    QMenu* paLiMenu_ = nullptr;
    QMenu* sprMenu_ = nullptr;
    QMenu* pmMain_ = nullptr;
    std::array<QToolButton*, 4> leds_{};
    std::array<int, 4> ledState_{};
    QToolButton* tbtnOnl_ = nullptr;
    QToolButton* tbtnTel_ = nullptr;
    Q5StatusTable* tbSt_ = nullptr;
    Q5StatusBar* stbrMain_ = nullptr;
    TLogView* view_ = nullptr;
    QActionGroup* formats_ = nullptr;
    std::array<QAction*, kSlots> aSeTe_{};
    std::array<QAction*, kSlots> aSeLi_{};
    std::array<QAction*, kSlots> aPaTe_{};
    std::array<QAction*, kSlots> aPaLi_{};
    std::array<QAction*, 2> languages_{};
    QList<QAction*> mruActions_;
    QAction* mruSeparator_ = nullptr;
    QStringList mru_;
    QPointer<TfmLnk> linkTest_;
    SendEditors* editors_ = nullptr;
    const PortTable* ports_ = nullptr;
    bool placementRestored_ = false;
};

}  // namespace vadrix
