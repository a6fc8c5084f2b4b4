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

// --- texts ---
// Window titles.
inline constexpr const char* IDS_TRANSACTION_TITLE = "Transaction [%s]";
inline constexpr const char* IDS_MATH_EXPR_TITLE = "Transaction Math Expression";
inline constexpr const char* IDS_MATH_EXPR_UNITS_TITLE = "Transaction #Units";
inline constexpr const char* IDS_MATH_EXPR_QUOTATION_TITLE = "Transaction Quotation/Dividends";
inline constexpr const char* IDS_MATH_EXPR_TAXES_TITLE = "Transaction Taxes/Comission";
inline constexpr const char* IDS_MATH_EXPR_AMOUNT_TITLE = "Transaction Amount";

// Labels of the quotation field 1179.
inline constexpr const char* IDS_QUOTATION_LABEL = "Quotation:";
inline constexpr const char* IDS_DIVIDENDS_LABEL = "Dividends/Interests:";

// Recurrence intervals, in the order of the interval list.
inline constexpr const char* IDS_RECURRENCE_MONTHLY = "Monthly";
inline constexpr const char* IDS_RECURRENCE_3_MONTHS = "every 3 Months";
inline constexpr const char* IDS_RECURRENCE_6_MONTHS = "every 6 Months";
inline constexpr const char* IDS_RECURRENCE_YEARLY = "Yearly";

// The formula field's tip.
inline constexpr const char* IDS_MATH_EXPR_TIP = "Math expression to be evaluated, e.g. \"u*q*0.005 + 10\"";

// Summary rows of the Investment and Statement pages.
inline constexpr const char* IDS_ROW_BREAK_EVEN = "Break-even";
inline constexpr const char* IDS_ROW_HYPOTHETICAL_SELL = "Hypothetical Sell";
inline constexpr const char* IDS_ROW_TOTAL = "Total";
inline constexpr const char* IDS_ROW_OPEN_TOTAL = "(Total)";

// Column headers of the Investment page.
inline constexpr const char* IDS_INVEST_COL_TRANSACTION = "Transaction";       // string 107
inline constexpr const char* IDS_INVEST_COL_DATE = "Date";                     // string 110
inline constexpr const char* IDS_INVEST_COL_NOTE = "Note";                     // string 111
inline constexpr const char* IDS_INVEST_COL_UNITS = "# Units";                 // string 112
inline constexpr const char* IDS_INVEST_COL_QUOTATION = "Quotation/Dividends"; // string 113
inline constexpr const char* IDS_INVEST_COL_TAXES = "Taxes";                   // string 116
inline constexpr const char* IDS_INVEST_COL_VOLUME = "Volume";                 // string 41000
inline constexpr const char* IDS_INVEST_COL_TRANS_RESULT = "Trans. Result";    // string 41001
inline constexpr const char* IDS_INVEST_COL_INVEST_RESULT = "Invest. Result";  // string 41009
// Column headers of the Statement page.
inline constexpr const char* IDS_ACCOUNT_COL_TRANSACTION = "Transaction"; // string 123
inline constexpr const char* IDS_ACCOUNT_COL_DATE = "Date / Time";        // string 124
inline constexpr const char* IDS_ACCOUNT_COL_NOTE = "Note";               // string 125
inline constexpr const char* IDS_ACCOUNT_COL_VOLUME = "Volume";           // string 126
inline constexpr const char* IDS_ACCOUNT_COL_BALANCE = "Balance";         // string 128
// Column headers of the Transactions page.
inline constexpr const char* IDS_GLOBAL_COL_TRANSACTION = "Transaction"; // string 129
inline constexpr const char* IDS_GLOBAL_COL_DATE = "Date";               // string 130
inline constexpr const char* IDS_GLOBAL_COL_ITEM = "Item";               // string 131
inline constexpr const char* IDS_GLOBAL_COL_NOTE = "Note";               // string 132
inline constexpr const char* IDS_GLOBAL_COL_VOLUME = "Volume";           // string 133

// Button tips of the pages.
inline constexpr const char* IDS_TIP_NEW_INVESTMENT =
    "Add new investment transaction: Buy, Sell or Dividends/Interests";
inline constexpr const char* IDS_TIP_NEW_ACCOUNT = "Add new account transaction: Credit, Debit, Interests";
inline constexpr const char* IDS_TIP_EDIT = "Edit selected transaction";
inline constexpr const char* IDS_TIP_DELETE = "Delete selected transaction";
inline constexpr const char* IDS_TIP_DELETE_ALL_INVESTMENT = "Delete all investment transactions for this item";
inline constexpr const char* IDS_TIP_DELETE_ALL_ACCOUNT = "Delete all account transactions for this item";

// The balance warnings after a new or a changed investment transaction was mirrored.
inline constexpr const char* IDS_NEGATIVE_BALANCE_AFTER_NEW =
    "Attention: Your cash account balance is negative (%.2f)!\n\nPlease make sure that you have specified your "
    "initial cash account's credit, so that your investment history is correctly recorded:\n-> Open the \"Cash "
    "Account\" item, select \"Statement\" and then create a new credit entry.\n\nIf you prefer to disable this "
    "feature, open the menu \"Extras\", \"Options\", \"Advanced\" and disable the option \"Automatically create cash "
    "account credit/debit entry\".";
inline constexpr const char* IDS_NEGATIVE_BALANCE_AFTER_EDIT = "Cash account balance is %.2f!\nPlease check it.";
