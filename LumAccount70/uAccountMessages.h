#pragma once
// The accounting message records on the carrier of uLumMessages: open job forms tell each
// other which voucher, voucher item, budget plan, payee or write-off is current, and which
// filter applies to the budget plans. Every value travels as text in a name=value list, in
// the order of the keys below: integers in decimal, dates as the short date text, amounts as
// the shortest decimal text of the number. An empty value is not carried; it reads back as
// empty, and the receivers' integers, dates and amounts convert strictly (an empty or
// malformed text raises EConvertError).

#include "DateTime.h"
#include "Messages.h"

#include <QString>

constexpr quint32 WM_ACCINCREFID = 32918;         // the current payee
constexpr quint32 WM_ACCVOUCHER = 32920;          // the current voucher
constexpr quint32 WM_ACCVOUCHERITEM = 32921;      // the current voucher item
constexpr quint32 WM_ACCYEARBUDGETID = 33218;     // the current plan of a year's budget
constexpr quint32 WM_ACCYEARBUDGETFILTER = 33219; // a filter over the year's plans
constexpr quint32 WM_ACCCASEBUDGETID = 33220;     // the current case plan
constexpr quint32 WM_ACCCASEBUDGETFILTER = 33221; // a filter over the case plans
constexpr quint32 WM_ACCCANCELOUTNO = 33222;      // the current write-off
constexpr quint32 WM_ACCCASECANOUTNO = 33223;     // the current write-off of a case
constexpr quint32 WM_ACCRETURNCANNO = 33224;      // the current return of an advance

// 32918: "BAN", "IDN", "INCMER_NM", "HOUHLD_ADDR_X60", "ID", "IDtype", "EMail".
void INCREFIDSender(const QString &ban, const QString &idn, const QString &incmerNm,
                    const QString &houhldAddr, const QString &id, const QString &idType,
                    const QString &eMail);
void INCREFIDReceiver(const TMessage &message, QString &ban, QString &idn, QString &incmerNm,
                      QString &houhldAddr, QString &id, QString &idType, QString &eMail);

// 32920: "Year_ID", "Tx_No", "Tx_VoucherNo", "Tx_Date", "Tx_Description", "Create_Date",
// "Checked", "Printed", "Posted", "Closed_YN".
void VoucherSender(const QString &yearID, int txNo, TDateTime createDate, TDateTime txDate,
                   const QString &txVoucherNo, const QString &txDescription, const QString &checked,
                   const QString &printed, const QString &posted, const QString &closedYN);
void VoucherReceiver(const TMessage &message, QString &yearID, int &txNo, TDateTime &createDate,
                     TDateTime &txDate, QString &txVoucherNo, QString &txDescription,
                     QString &checked, QString &printed, QString &posted, QString &closedYN);

// 32921: "Year_ID", "Tx_No", "TxD_No", "AccNo", "Amount", "DC_Mode", "DC_Type", "Ctrl_type".
void VoucherItemSender(const QString &yearID, int txNo, int txdNo, const QString &accNo,
                       const QString &dcMode, const QString &dcType, const QString &ctrlType,
                       long double amount);
void VoucherItemReceiver(const TMessage &message, QString &yearID, int &txNo, int &txdNo,
                         QString &accNo, QString &dcMode, QString &dcType, QString &ctrlType,
                         long double &amount);

// 33218: "PlanNo", "PlanName", "BrUnit", "PassFG", "CloseCase", "OverallFG".
void YearBudgetIDSender(const QString &planNo, const QString &planName, const QString &brUnit,
                        const QString &passFG, const QString &closeCase, const QString &overallFG);
void YearBudgetIDReceiver(const TMessage &message, QString &planNo, QString &planName,
                          QString &brUnit, QString &passFG, QString &closeCase, QString &overallFG);

// 33219: "Filter".
void YearBudgetFilterSender(const QString &filter);
void YearBudgetFilterReceiver(const TMessage &message, QString &filter);

// 33220: "PlanNo", "PlanName", "BrUnit", "PassFG", "CloseCase", "ExPlanNo".
void CaseBudgetIDSender(const QString &planNo, const QString &planName, const QString &brUnit,
                        const QString &passFG, const QString &closeCase, const QString &exPlanNo);
void CaseBudgetIDReceiver(const TMessage &message, QString &planNo, QString &planName,
                          QString &brUnit, QString &passFG, QString &closeCase, QString &exPlanNo);

// 33221: "Filter".
void CaseBudgetFilterSender(const QString &filter);
void CaseBudgetFilterReceiver(const TMessage &message, QString &filter);

// 33222: "CanOutNo", "PlanNo", "InBuyNo", "BorrowNo", "Creater", "CheckOK".
void CancelOutNoSender(const QString &canOutNo, const QString &planNo, const QString &inBuyNo,
                       const QString &borrowNo, const QString &creater, const QString &checkOK);
void CancelOutNoReceiver(const TMessage &message, QString &canOutNo, QString &planNo,
                         QString &inBuyNo, QString &borrowNo, QString &creater, QString &checkOK);

// 33223: as 33222, for a case.
void CaseCanOutNoSender(const QString &canOutNo, const QString &planNo, const QString &inBuyNo,
                        const QString &borrowNo, const QString &creater, const QString &checkOK);
void CaseCanOutNoReceiver(const TMessage &message, QString &canOutNo, QString &planNo,
                          QString &inBuyNo, QString &borrowNo, QString &creater, QString &checkOK);

// 33224: "CanOutNo", "PlanNo", "PlanName", "BorrowNo", "Creater", "CheckOK".
void ReturnCanNoSender(const QString &canOutNo, const QString &planNo, const QString &planName,
                       const QString &borrowNo, const QString &creater, const QString &checkOK);
void ReturnCanNoReceiver(const TMessage &message, QString &canOutNo, QString &planNo,
                         QString &planName, QString &borrowNo, QString &creater, QString &checkOK);
