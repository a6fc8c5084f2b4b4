#pragma once
// Resource ids and texts of the transaction dialogs (investment, cash account, formula) and of the
// three transaction pages of the item property sheet (Investment, Statement, Transactions).

// --- dialog and page templates ---
inline constexpr unsigned IDD_TRANSACTION_MATH_EXPR = 207;   // "Transaction Math Expression"
inline constexpr unsigned IDD_TRANSACTION = 30739;           // "Transaction"
inline constexpr unsigned IDD_ACCOUNT_TRANSACTION = 3213;    // "Cash Account Transaction"
inline constexpr unsigned IDD_PROPPAGE_INVEST = 30738;       // "Investment"
inline constexpr unsigned IDD_PROPPAGE_ACCOUNT = 3204;       // "Statement"
inline constexpr unsigned IDD_PROPPAGE_TRANSACTIONS = 30741; // "Transactions"
// The 16 x 16 row images of the transaction lists.
inline constexpr unsigned IDB_TRANSACTION_IMAGES = 179;

// --- controls of the two transaction dialogs ---
inline constexpr unsigned IDC_TRANSACTION_ITEM_NAME = 1009;
inline constexpr unsigned IDC_TRANSACTION_TYPE = 1178;
inline constexpr unsigned IDC_TRANSACTION_NOTE = 1192;
inline constexpr unsigned IDC_TRANSACTION_DATE = 1012;
inline constexpr unsigned IDC_TRANSACTION_TIME = 1125;
inline constexpr unsigned IDC_TRANSACTION_RECURRENCE = 1314;
inline constexpr unsigned IDC_TRANSACTION_RECURRENCE_INTERVAL = 1301;
inline constexpr unsigned IDC_TRANSACTION_UNTIL = 1315;
inline constexpr unsigned IDC_TRANSACTION_UNTIL_DATE = 1013;
inline constexpr unsigned IDC_TRANSACTION_UNITS = 1105; // the amount in the cash-account dialog
inline constexpr unsigned IDC_MATH_EXPR_UNITS = 1329;
inline constexpr unsigned IDC_TRANSACTION_QUOTATION_LABEL = 1179;
inline constexpr unsigned IDC_TRANSACTION_QUOTATION = 1109;
inline constexpr unsigned IDC_MATH_EXPR_QUOTATION = 1330;
inline constexpr unsigned IDC_TRANSACTION_TAXES = 1111;
inline constexpr unsigned IDC_MATH_EXPR_TAXES = 1331;
inline constexpr unsigned IDC_TRANSACTION_TOTAL = 1115;

// --- controls of the formula dialog ---
inline constexpr unsigned IDC_MATH_EXPRESSION = 1300;
inline constexpr unsigned IDC_MATH_EQUALS = 1176;
inline constexpr unsigned IDC_MATH_RESULT = 1330;
inline constexpr unsigned IDC_MATH_VARIABLES = 1175;
inline constexpr unsigned IDC_MATH_U_LABEL = 1188;
inline constexpr unsigned IDC_MATH_U = 1310;
inline constexpr unsigned IDC_MATH_Q_LABEL = 1189;
inline constexpr unsigned IDC_MATH_Q = 1152;
inline constexpr unsigned IDC_MATH_T_LABEL = 1191;
inline constexpr unsigned IDC_MATH_T = 1153;

// --- controls of the three pages ---
inline constexpr unsigned IDC_TRANSACTION_LIST = 1176;
inline constexpr unsigned IDC_NEW_TRANSACTION = 1108;
inline constexpr unsigned IDC_EDIT_TRANSACTION = 1177;
inline constexpr unsigned IDC_DELETE_TRANSACTION = 1119;
inline constexpr unsigned IDC_DELETE_ALL_TRANSACTIONS = 1120;
inline constexpr unsigned IDC_ALARM_BELOW = 1097;
inline constexpr unsigned IDC_ALARM_BELOW_VALUE = 1099;
inline constexpr unsigned IDC_ALARM_ABOVE = 1101;
inline constexpr unsigned IDC_ALARM_ABOVE_VALUE = 1104;
inline constexpr unsigned IDC_ALARM_BREAK_EVEN = 1110;
inline constexpr unsigned IDC_ALARM_BREAK_EVEN_PERCENT = 1112;

// --- texts (framework/StringTable.cpp) ---
// Column headers of the Investment page.
inline constexpr unsigned IDS_INVEST_COL_TRANSACTION = 107;     // "Transaction"
inline constexpr unsigned IDS_INVEST_COL_DATE = 110;            // "Date"
inline constexpr unsigned IDS_INVEST_COL_NOTE = 111;            // "Note"
inline constexpr unsigned IDS_INVEST_COL_UNITS = 112;           // "# Units"
inline constexpr unsigned IDS_INVEST_COL_QUOTATION = 113;       // "Quotation/Dividends"
inline constexpr unsigned IDS_INVEST_COL_TAXES = 116;           // "Taxes"
inline constexpr unsigned IDS_INVEST_COL_VOLUME = 41000;        // "Volume"
inline constexpr unsigned IDS_INVEST_COL_TRANS_RESULT = 41001;  // "Trans. Result"
inline constexpr unsigned IDS_INVEST_COL_INVEST_RESULT = 41009; // "Invest. Result"
// Column headers of the Statement page.
inline constexpr unsigned IDS_ACCOUNT_COL_TRANSACTION = 123; // "Transaction"
inline constexpr unsigned IDS_ACCOUNT_COL_DATE = 124;        // "Date / Time"
inline constexpr unsigned IDS_ACCOUNT_COL_NOTE = 125;        // "Note"
inline constexpr unsigned IDS_ACCOUNT_COL_VOLUME = 126;      // "Volume"
inline constexpr unsigned IDS_ACCOUNT_COL_BALANCE = 128;     // "Balance"
// Column headers of the Transactions page.
inline constexpr unsigned IDS_GLOBAL_COL_TRANSACTION = 129; // "Transaction"
inline constexpr unsigned IDS_GLOBAL_COL_DATE = 130;        // "Date"
inline constexpr unsigned IDS_GLOBAL_COL_ITEM = 131;        // "Item"
inline constexpr unsigned IDS_GLOBAL_COL_NOTE = 132;        // "Note"
inline constexpr unsigned IDS_GLOBAL_COL_VOLUME = 133;      // "Volume"

// Window titles and page captions.
inline constexpr unsigned IDS_TRANSACTION_TITLE = 45000;           // "Transaction [%s]"
inline constexpr unsigned IDS_MATH_EXPR_TITLE = 45001;             // "Transaction Math Expression"
inline constexpr unsigned IDS_MATH_EXPR_UNITS_TITLE = 45002;       // "Transaction #Units"
inline constexpr unsigned IDS_MATH_EXPR_QUOTATION_TITLE = 45003;   // "Transaction Quotation/Dividends"
inline constexpr unsigned IDS_MATH_EXPR_TAXES_TITLE = 45004;       // "Transaction Taxes/Comission"
inline constexpr unsigned IDS_MATH_EXPR_AMOUNT_TITLE = 45005;      // "Transaction Amount"
inline constexpr unsigned IDS_TRANSACTION_CAPTION = 45006;         // "Transaction"
inline constexpr unsigned IDS_ACCOUNT_TRANSACTION_CAPTION = 45007; // "Cash Account Transaction"
inline constexpr unsigned IDS_PAGE_INVESTMENT = 45008;             // "Investment"
inline constexpr unsigned IDS_PAGE_STATEMENT = 45009;              // "Statement"
inline constexpr unsigned IDS_PAGE_TRANSACTIONS = 45010;           // "Transactions"

// Labels of the quotation field 1179.
inline constexpr unsigned IDS_QUOTATION_LABEL = 45011; // "Quotation:"
inline constexpr unsigned IDS_DIVIDENDS_LABEL = 45012; // "Dividends/Interests:"

// Recurrence intervals, consecutive in the order of the interval list.
inline constexpr unsigned IDS_RECURRENCE_MONTHLY = 45013;  // "Monthly"
inline constexpr unsigned IDS_RECURRENCE_3_MONTHS = 45014; // "every 3 Months"
inline constexpr unsigned IDS_RECURRENCE_6_MONTHS = 45015; // "every 6 Months"
inline constexpr unsigned IDS_RECURRENCE_YEARLY = 45016;   // "Yearly"

// The formula field's tip.
inline constexpr unsigned IDS_MATH_EXPR_TIP = 45017;

// Summary rows of the Investment and Statement pages.
inline constexpr unsigned IDS_ROW_BREAK_EVEN = 45018;        // "Break-even"
inline constexpr unsigned IDS_ROW_HYPOTHETICAL_SELL = 45019; // "Hypothetical Sell"
inline constexpr unsigned IDS_ROW_TOTAL = 45020;             // "Total"
inline constexpr unsigned IDS_ROW_OPEN_TOTAL = 45021;        // "(Total)"

// Button tips of the pages.
inline constexpr unsigned IDS_TIP_NEW_INVESTMENT = 45022;
inline constexpr unsigned IDS_TIP_NEW_ACCOUNT = 45023;
inline constexpr unsigned IDS_TIP_EDIT = 45024;
inline constexpr unsigned IDS_TIP_DELETE = 45025;
inline constexpr unsigned IDS_TIP_DELETE_ALL_INVESTMENT = 45026;
inline constexpr unsigned IDS_TIP_DELETE_ALL_ACCOUNT = 45027;

// The balance warnings after a new or a changed investment transaction was mirrored (%.2f: the
// balance).
inline constexpr unsigned IDS_NEGATIVE_BALANCE_AFTER_NEW = 45028;
inline constexpr unsigned IDS_NEGATIVE_BALANCE_AFTER_EDIT = 45029;
