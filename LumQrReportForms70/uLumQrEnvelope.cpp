#include "uLumQrEnvelope.h"

#include "DataSource.h"
#include "Exceptions.h"
#include "QRBands.h"
#include "QRCtrls.h"
#include "StatelessDataSet.h"
#include "uOrganization.h"

namespace {

// The address field of the sheet in the envelope band (the page's margins are 10 mm): 22 to
// 102 mm from the sheet's left edge, 50 to 85 mm from its top.
constexpr double kFieldLeft = 12, kFieldTop = 40, kFieldWidth = 80;

} // namespace

TLumQrEnvelope::TLumQrEnvelope(QObject *owner) : TLumQrBase(owner) {
    ReceiverDataSet = AddRemoteDataSet(QStringLiteral("ReceiverDataSet"), {}, {});
    ReceiverSource = new TDataSource(this);
    ReceiverSource->SetName(QStringLiteral("ReceiverSource"));
    ReceiverSource->SetDataSet(ReceiverDataSet);
    SetDataSet(ReceiverDataSet);
    // No receivers, no letters: not even an empty page.
    SetPrintIfEmpty(false);

    EnvelopeBand = new TQRGroup(this, {}, 84);
    EnvelopeBand->SetName(QStringLiteral("EnvelopeBand"));
    // Every master row is a letter of its own.
    EnvelopeBand->GroupValue = [](TDataSet *, int position) { return Variant(position); };
    EnvelopeBand->SetForceNewPage(true);

    const QString school = Organization ? Organization->FullName : QString();
    lbLetterHead = EnvelopeBand->AddLabel(0, 2, 190, 8, school);
    lbLetterHead->SetName(QStringLiteral("lbLetterHead"));
    lbLetterHead->SetAlignment(taCenter);
    lbLetterHead->SetFontSize(14);
    lbLetterHead->SetBold(true);
    sdTitle = EnvelopeBand->AddSysData(0, 11, 190, 9, qrsReportTitle);
    sdTitle->SetName(QStringLiteral("sdTitle"));
    sdTitle->SetAlignment(taCenter);
    sdTitle->SetFontSize(16);

    moSender = EnvelopeBand->AddMemo(kFieldLeft, kFieldTop, kFieldWidth, 8);
    moSender->SetName(QStringLiteral("moSender"));
    moSender->SetFontSize(8);
    if (Organization)
        moSender->Lines().Add(
            QStringLiteral("%1 %2").arg(Organization->FullName, Organization->Address).trimmed());

    qrPostCode = EnvelopeBand->AddDBText(kFieldLeft, kFieldTop + 8, 30, 5, ReceiverDataSet,
                                         QStringLiteral("PostCode"));
    qrPostCode->SetName(QStringLiteral("qrPostCode"));
    qrPostCode->SetFontSize(11);
    lbMailType = EnvelopeBand->AddLabel(kFieldLeft + kFieldWidth - 30, kFieldTop + 8, 30, 5,
                                        QStringLiteral("平信"));
    lbMailType->SetName(QStringLiteral("lbMailType"));
    lbMailType->SetAlignment(taRightJustify);
    lbMailType->SetFontSize(9);

    qrAddress = EnvelopeBand->AddDBText(kFieldLeft, kFieldTop + 13, kFieldWidth, 11,
                                        ReceiverDataSet, QStringLiteral("Address"));
    qrAddress->SetName(QStringLiteral("qrAddress"));
    qrAddress->SetFontSize(11);
    qrAddress->SetWordWrap(true);

    Receiver = EnvelopeBand->AddDBText(kFieldLeft, kFieldTop + 24, kFieldWidth, 7, ReceiverDataSet,
                                       QStringLiteral("Cht_Name"));
    Receiver->SetName(QStringLiteral("Receiver"));
    Receiver->SetFontSize(14);
    Receiver->OnPrint = [this](TQRCustomLabel *, QString &text) {
        if (!text.trimmed().isEmpty())
            text += FReceiverSuffix;
    };

    moMailID = EnvelopeBand->AddMemo(kFieldLeft, kFieldTop + 31, kFieldWidth, 4);
    moMailID->SetName(QStringLiteral("moMailID"));
    moMailID->SetFontSize(8);
}

TClientDataSet *TLumQrEnvelope::GetMasterDataSet() {
    return ReceiverDataSet;
}
