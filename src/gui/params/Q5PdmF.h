#pragma once
// TfmPdm: the parameters of the channel that drives the monitor device (operating modes 0
// and 1): port, function and stations, then a page for each line of the device: receiver
// E1, the sender S and receiver E2, each with its bit rate, modulation, check code, address
// bytes, lock level and lock time (proposed from rate and modulation).

#include <array>

#include "gui/params/ChannelDialog.h"

namespace vadrix {

class TfmPdm : public ChannelDialog {
    Q_OBJECT
  public:
    TfmPdm(Context& ctx, TEmSe& ch, QWidget* mainWindow, const PortTable* ports);

  protected:
    void Fill() override;
    void Read(TChannelBlock& b) const override;

  private:
    // The controls of one line's page; tolerance and Df only for the receivers.
    struct LinePage {
        EntryField* baud = nullptr;
        QComboBox* mv = nullptr;
        QComboBox* hd = nullptr;
        QComboBox* stVh = nullptr;
        QComboBox* spPl = nullptr;
        EntryField* spZt = nullptr;
        EntryField* tol = nullptr;
        EntryField* df = nullptr;
        int adjust = -1;  // the lock-time proposal: -1 receivers, +1 sender
    };
    void BuildLine(int line, int pageText, const char* page, const char* prefix, bool receiver);
    void ProposeLockTime(const LinePage& p);

    std::array<LinePage, 3> lines_;  // Line[1] E1, Line[2] S, Line[3] E2
};

}  // namespace vadrix
