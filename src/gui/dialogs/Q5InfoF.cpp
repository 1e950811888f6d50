#include "gui/dialogs/Q5InfoF.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/Context.h"
#include "common/TextIds.h"
#include "common/TextTable.h"
#include "gui/dialogs/Version.h"

namespace vadrix {

namespace {

QString Text(const Context& ctx, int n) {
    return QString::fromStdString(Cp1252ToUtf8(ctx.Txt(n)));
}

}  // namespace

QStringList InfoLines(const Context& ctx) {
    const QString fileVersion = QString("%1.%2.%3.%4")
                                    .arg(version::kMajor)
                                    .arg(version::kMinor)
                                    .arg(version::kRelease)
                                    .arg(version::kBuild);
    // The build date and the commit stand where a legal notice would.
    const QString build = QString(" %1  %2").arg(version::kBuildDate, version::kCommit);
    return {QString(),
            Text(ctx, txt::kInfoTitle),
            QString(),
            Text(ctx, txt::kInfoVersion) + fileVersion + "   " + version::kProductVersion +
                Text(ctx, txt::kVersionSuffix),
            build,
            QString(),
            Text(ctx, txt::kInfoRights)};
}

TfmInfo::TfmInfo(const Context& ctx, QWidget* parent) : QDialog(parent) {
    setObjectName("fmInfo");
    setWindowTitle(Text(ctx, txt::kInfoCaption));
    lbInfo_ = new QListWidget(this);
    lbInfo_->setObjectName("lbInfo");
    lbInfo_->addItems(InfoLines(ctx));
    btnOk_ = new QPushButton(Text(ctx, txt::kButtonOk), this);
    btnOk_->setObjectName("btnOk");
    btnOk_->setDefault(true);
    connect(btnOk_, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOk_);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lbInfo_);
    layout->addLayout(buttons);
}

void TfmInfo::ShowVersionInfo(const Context& ctx, QWidget* mainWindow) {
    TfmInfo box(ctx, mainWindow);
    box.exec();
}

}  // namespace vadrix
