#pragma once
// TLumQrEnvelope: a letter module, one letter per row of its master dataset (ReceiverDataSet),
// each starting on a new page with its envelope band. The letter is an A4 sheet folded in three
// into a DL window envelope (220 x 110 mm, window 90 x 45 mm at 20 mm from the left edge and
// 15 mm from the bottom edge): the sender line (moSender), the post code (qrPostCode), the mail
// type (lbMailType), the address (qrAddress), the receiver (Receiver) and the mail ID (moMailID)
// print in the field of the sheet that shows through the window, 22 to 102 mm from the sheet's
// left edge and 50 to 85 mm from its top, whichever way the folded sheet slides; the school's
// name and the letter's title head the sheet above it.
//
// The master is selected by a WHERE text (OpenMaster(where): DoMasterCommand sets the
// statement, the master is read through the module's connection) or copied from a dataset the
// caller holds (OpenMaster(dataset)).

#include "uLumQrBase.h"

class TDataSource;
class TQRDBText;
class TQRGroup;
class TQRLabel;
class TQRMemo;
class TQRSysData;

class TLumQrEnvelope : public TLumQrBase {
    Q_OBJECT
public:
    explicit TLumQrEnvelope(QObject *owner = nullptr);
    QString ClassName() const override { return QStringLiteral("TLumQrEnvelope"); }

    // The rows the letters go to; its server and provider are set by descendants.
    TStatelessCDataSet *ReceiverDataSet;
    TDataSource *ReceiverSource;

    // One envelope a master row, on a page of its own.
    TQRGroup *EnvelopeBand;
    TQRLabel *lbLetterHead;
    TQRSysData *sdTitle;
    TQRMemo *moSender;
    TQRDBText *qrPostCode;
    TQRLabel *lbMailType;
    TQRDBText *qrAddress;
    TQRDBText *Receiver;
    TQRMemo *moMailID;

    TClientDataSet *GetMasterDataSet() override;

    // The text after the receiver's name ("收"); empty names print nothing.
    QString ReceiverSuffix() const { return FReceiverSuffix; }
    void SetReceiverSuffix(const QString &suffix) { FReceiverSuffix = suffix; }

private:
    QString FReceiverSuffix = QStringLiteral(" 收");
};
