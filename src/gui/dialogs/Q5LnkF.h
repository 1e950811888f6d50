#pragma once
// TfmLnk: the link-test window of one channel. Its check list switches artificial faults and
// special behaviours of that channel on and off; closing it clears them all, so no fault
// outlives the window. One such window exists at a time.

#include <QPointer>
#include <QWidget>

class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace vadrix {

struct Context;
struct TEmSe;

inline constexpr int kLinkTestFlags = 12;

// The number of items text 1296 offers, at most one per flag.
int LinkTestItemCount(const Context& ctx);

class TfmLnk : public QWidget {
    Q_OBJECT

  public:
    // Creates the window for channel index 0 or 1 unless one is open (that one keeps its
    // channel), then shows it in front. `open` is the main window's handle of the window.
    static TfmLnk* OpenLinkTest(Context& ctx, int channel, QWidget* mainWindow,
                                QPointer<TfmLnk>& open);

    // Destroyed with the main window without being closed, it still clears the flags; the
    // context outlives every window.
    ~TfmLnk() override;

    int Channel() const { return channel_; }
    QListWidget* CheckList() const { return chlbLnk_; }
    QPushButton* ExitButton() const { return btnExit_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    TfmLnk(Context& ctx, int channel, QWidget* mainWindow);
    void chlbLnkClickCheck(QListWidgetItem* item);
    TEmSe& Channel_();
    void ClearFlags();

    Context& ctx_;
    int channel_;
    bool closed_ = false;
    QListWidget* chlbLnk_;
    QPushButton* btnExit_;
};

}  // namespace vadrix
