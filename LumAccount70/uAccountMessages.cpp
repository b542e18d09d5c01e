#include "uAccountMessages.h"

#include "StringList.h"
#include "Variant.h"
#include "uLumMessages.h"

#include <initializer_list>
#include <utility>

namespace {

// Sends the values in their order; an empty value leaves its line out.
void SendAccountValues(quint32 msg,
                       std::initializer_list<std::pair<const char *, QString>> values) {
    TStringList list;
    for (const auto &[name, value] : values)
        list.SetValues(QLatin1String(name), value);
    TMessage message;
    message.Msg = msg;
    message.Strings = &list;
    DispatchOrvMessage(message);
}

QString Value(const TMessage &message, const char *name) {
    return OrvMessageValue(message, name);
}

// The shortest decimal text of an amount: whole amounts without a point.
QString AmountText(long double amount) {
    return FloatToStr(static_cast<double>(amount));
}

void SendSix(quint32 msg, const char *const (&names)[6], const QString &a, const QString &b,
             const QString &c, const QString &d, const QString &e, const QString &f) {
    SendAccountValues(
        msg,
        {{names[0], a}, {names[1], b}, {names[2], c}, {names[3], d}, {names[4], e}, {names[5], f}});
}

void ReadSix(const TMessage &m, const char *const (&names)[6], QString &a, QString &b, QString &c,
             QString &d, QString &e, QString &f) {
    a = Value(m, names[0]);
    b = Value(m, names[1]);
    c = Value(m, names[2]);
    d = Value(m, names[3]);
    e = Value(m, names[4]);
    f = Value(m, names[5]);
}

const char *const kYearBudget[6] = {"PlanNo", "PlanName",  "BrUnit",
                                    "PassFG", "CloseCase", "OverallFG"};
const char *const kCaseBudget[6] = {"PlanNo", "PlanName",  "BrUnit",
                                    "PassFG", "CloseCase", "ExPlanNo"};
const char *const kCancelOut[6] = {"CanOutNo", "PlanNo",  "InBuyNo",
                                   "BorrowNo", "Creater", "CheckOK"};
const char *const kReturnCan[6] = {"CanOutNo", "PlanNo",  "PlanName",
                                   "BorrowNo", "Creater", "CheckOK"};

} // namespace

void INCREFIDSender(const QString &ban, const QString &idn, const QString &incmerNm,
                    const QString &houhldAddr, const QString &id, const QString &idType,
                    const QString &eMail) {
    SendAccountValues(WM_ACCINCREFID, {{"BAN", ban},
                                       {"IDN", idn},
                                       {"INCMER_NM", incmerNm},
                                       {"HOUHLD_ADDR_X60", houhldAddr},
                                       {"ID", id},
                                       {"IDtype", idType},
                                       {"EMail", eMail}});
}

void INCREFIDReceiver(const TMessage &message, QString &ban, QString &idn, QString &incmerNm,
                      QString &houhldAddr, QString &id, QString &idType, QString &eMail) {
    ban = Value(message, "BAN");
    idn = Value(message, "IDN");
    incmerNm = Value(message, "INCMER_NM");
    houhldAddr = Value(message, "HOUHLD_ADDR_X60");
    id = Value(message, "ID");
    idType = Value(message, "IDtype");
    eMail = Value(message, "EMail");
}

void VoucherSender(const QString &yearID, int txNo, TDateTime createDate, TDateTime txDate,
                   const QString &txVoucherNo, const QString &txDescription, const QString &checked,
                   const QString &printed, const QString &posted, const QString &closedYN) {
    SendAccountValues(WM_ACCVOUCHER, {{"Year_ID", yearID},
                                      {"Tx_No", QString::number(txNo)},
                                      {"Tx_VoucherNo", txVoucherNo},
                                      {"Tx_Date", DateToStr(txDate)},
                                      {"Tx_Description", txDescription},
                                      {"Create_Date", DateToStr(createDate)},
                                      {"Checked", checked},
                                      {"Printed", printed},
                                      {"Posted", posted},
                                      {"Closed_YN", closedYN}});
}

void VoucherReceiver(const TMessage &message, QString &yearID, int &txNo, TDateTime &createDate,
                     TDateTime &txDate, QString &txVoucherNo, QString &txDescription,
                     QString &checked, QString &printed, QString &posted, QString &closedYN) {
    yearID = Value(message, "Year_ID");
    txNo = StrToInt(Value(message, "Tx_No"));
    createDate = StrToDateTime(Value(message, "Create_Date"));
    txDate = StrToDateTime(Value(message, "Tx_Date"));
    txVoucherNo = Value(message, "Tx_VoucherNo");
    txDescription = Value(message, "Tx_Description");
    checked = Value(message, "Checked");
    printed = Value(message, "Printed");
    posted = Value(message, "Posted");
    closedYN = Value(message, "Closed_YN");
}

void VoucherItemSender(const QString &yearID, int txNo, int txdNo, const QString &accNo,
                       const QString &dcMode, const QString &dcType, const QString &ctrlType,
                       long double amount) {
    SendAccountValues(WM_ACCVOUCHERITEM, {{"Year_ID", yearID},
                                          {"Tx_No", QString::number(txNo)},
                                          {"TxD_No", QString::number(txdNo)},
                                          {"AccNo", accNo},
                                          {"Amount", AmountText(amount)},
                                          {"DC_Mode", dcMode},
                                          {"DC_Type", dcType},
                                          {"Ctrl_type", ctrlType}});
}

void VoucherItemReceiver(const TMessage &message, QString &yearID, int &txNo, int &txdNo,
                         QString &accNo, QString &dcMode, QString &dcType, QString &ctrlType,
                         long double &amount) {
    yearID = Value(message, "Year_ID");
    txNo = StrToInt(Value(message, "Tx_No"));
    txdNo = StrToInt(Value(message, "TxD_No"));
    accNo = Value(message, "AccNo");
    dcMode = Value(message, "DC_Mode");
    dcType = Value(message, "DC_Type");
    ctrlType = Value(message, "Ctrl_type");
    amount = StrToFloat(Value(message, "Amount"));
}

void YearBudgetIDSender(const QString &planNo, const QString &planName, const QString &brUnit,
                        const QString &passFG, const QString &closeCase, const QString &overallFG) {
    SendSix(WM_ACCYEARBUDGETID, kYearBudget, planNo, planName, brUnit, passFG, closeCase,
            overallFG);
}

void YearBudgetIDReceiver(const TMessage &message, QString &planNo, QString &planName,
                          QString &brUnit, QString &passFG, QString &closeCase,
                          QString &overallFG) {
    ReadSix(message, kYearBudget, planNo, planName, brUnit, passFG, closeCase, overallFG);
}

void YearBudgetFilterSender(const QString &filter) {
    SendAccountValues(WM_ACCYEARBUDGETFILTER, {{"Filter", filter}});
}

void YearBudgetFilterReceiver(const TMessage &message, QString &filter) {
    filter = Value(message, "Filter");
}

void CaseBudgetIDSender(const QString &planNo, const QString &planName, const QString &brUnit,
                        const QString &passFG, const QString &closeCase, const QString &exPlanNo) {
    SendSix(WM_ACCCASEBUDGETID, kCaseBudget, planNo, planName, brUnit, passFG, closeCase, exPlanNo);
}

void CaseBudgetIDReceiver(const TMessage &message, QString &planNo, QString &planName,
                          QString &brUnit, QString &passFG, QString &closeCase, QString &exPlanNo) {
    ReadSix(message, kCaseBudget, planNo, planName, brUnit, passFG, closeCase, exPlanNo);
}

void CaseBudgetFilterSender(const QString &filter) {
    SendAccountValues(WM_ACCCASEBUDGETFILTER, {{"Filter", filter}});
}

void CaseBudgetFilterReceiver(const TMessage &message, QString &filter) {
    filter = Value(message, "Filter");
}

void CancelOutNoSender(const QString &canOutNo, const QString &planNo, const QString &inBuyNo,
                       const QString &borrowNo, const QString &creater, const QString &checkOK) {
    SendSix(WM_ACCCANCELOUTNO, kCancelOut, canOutNo, planNo, inBuyNo, borrowNo, creater, checkOK);
}

void CancelOutNoReceiver(const TMessage &message, QString &canOutNo, QString &planNo,
                         QString &inBuyNo, QString &borrowNo, QString &creater, QString &checkOK) {
    ReadSix(message, kCancelOut, canOutNo, planNo, inBuyNo, borrowNo, creater, checkOK);
}

void CaseCanOutNoSender(const QString &canOutNo, const QString &planNo, const QString &inBuyNo,
                        const QString &borrowNo, const QString &creater, const QString &checkOK) {
    SendSix(WM_ACCCASECANOUTNO, kCancelOut, canOutNo, planNo, inBuyNo, borrowNo, creater, checkOK);
}

void CaseCanOutNoReceiver(const TMessage &message, QString &canOutNo, QString &planNo,
                          QString &inBuyNo, QString &borrowNo, QString &creater, QString &checkOK) {
    ReadSix(message, kCancelOut, canOutNo, planNo, inBuyNo, borrowNo, creater, checkOK);
}

void ReturnCanNoSender(const QString &canOutNo, const QString &planNo, const QString &planName,
                       const QString &borrowNo, const QString &creater, const QString &checkOK) {
    SendSix(WM_ACCRETURNCANNO, kReturnCan, canOutNo, planNo, planName, borrowNo, creater, checkOK);
}

void ReturnCanNoReceiver(const TMessage &message, QString &canOutNo, QString &planNo,
                         QString &planName, QString &borrowNo, QString &creater, QString &checkOK) {
    ReadSix(message, kReturnCan, canOutNo, planNo, planName, borrowNo, creater, checkOK);
}
