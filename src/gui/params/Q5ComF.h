#pragma once
// TfmCom: the parameters of a channel on a plain serial port (operating mode 2): function,
// stations, address bytes and spikes on the first page; port, bit rate, character format,
// lock time and RTS handling on the second.

#include "gui/params/ChannelDialog.h"

class QListWidget;

namespace vadrix {

class TfmCom : public ChannelDialog {
    Q_OBJECT
  public:
    TfmCom(Context& ctx, TEmSe& ch, QWidget* mainWindow, const PortTable* ports);

  protected:
    void Fill() override;
    void Read(TChannelBlock& b) const override;

  private:
    QComboBox* cbEmStVh_;
    QComboBox* cbSeStVh_;
    QComboBox* cbSpikes_;
    QListWidget* chlbAend_;
    QComboBox* cbBaud_;
    QComboBox* cbPari_;
    QComboBox* cbData_;
    QComboBox* cbStop_;
    EntryField* edSpZt_;
    QComboBox* cbFRts_;
    EntryField* edTVor_;
    EntryField* edTNach_;
};

}  // namespace vadrix
