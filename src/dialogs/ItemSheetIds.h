#pragma once
// Resource ids of the item property sheet, its pages (General, Currency Conversion, Chart,
// Quotations, Advanced) and their small dialogs (note, exchange-rate item), with the strings they
// show (framework/StringTable.h).

// --- the sheet ------------------------------------------------------------------------------------
inline constexpr unsigned IDS_PROPERTIES = 108;        // the sheet's caption "Properties"
inline constexpr unsigned IDS_PROPERTIES_OF = 40025;   // "Properties of " + the item's name
inline constexpr unsigned IDS_SERVER_MISSING = 40037;  // a template this computer lacks
inline constexpr unsigned IDS_DELETE_ALL_QUOTES = 40058;

// --- note dialog ----------------------------------------------------------------------------------
inline constexpr unsigned IDD_ZOOM_NOTE = 167;
inline constexpr unsigned IDC_ZOOM_NOTE_EDIT = 1129;

// --- General page ---------------------------------------------------------------------------------
inline constexpr unsigned IDD_PROPPAGE_GENERAL = 143;
inline constexpr unsigned IDC_GEN_OPEN_WEB_PAGE = 1070;
inline constexpr unsigned IDC_GEN_WIZARD = 1072;
inline constexpr unsigned IDC_GEN_TEMPLATES = 1074;
inline constexpr unsigned IDC_GEN_EDIT_SERVER = 1076;
inline constexpr unsigned IDC_GEN_DELETE_SERVER = 1077;
inline constexpr unsigned IDC_GEN_NAME = 1009;
inline constexpr unsigned IDC_GEN_SYMBOL = 1011;
inline constexpr unsigned IDC_GEN_NOTE = 1126;
inline constexpr unsigned IDC_GEN_ZOOM_NOTE = 1128;
inline constexpr unsigned IDC_GEN_TEST = 1138;
inline constexpr unsigned IDC_GEN_SYMBOL_LOOKUP = 1187;
inline constexpr unsigned IDC_GEN_SERVER_HINT = 1189;
inline constexpr unsigned IDC_GEN_CATEGORY = 1301;
inline constexpr unsigned IDC_GEN_DOWNLOAD = 1316;

// --- Currency Conversion page and the exchange-rate item dialog --------------------------------
inline constexpr unsigned IDD_PROPPAGE_CURRENCY = 30743;
inline constexpr unsigned IDC_CUR_NOTE1 = 1175;
inline constexpr unsigned IDC_CUR_NOTE2 = 1188;
inline constexpr unsigned IDC_CUR_CONVERT = 1325;
inline constexpr unsigned IDC_CUR_ITEMS = 1326;
inline constexpr unsigned IDC_CUR_CREATE = 1327;
inline constexpr unsigned IDD_CREATE_EXCHANGE_ITEM = 203;
inline constexpr unsigned IDC_CUR_FROM = 1301;
inline constexpr unsigned IDC_CUR_TO = 1302;

// --- Chart page -----------------------------------------------------------------------------------
inline constexpr unsigned IDD_PROPPAGE_CHART = 113;
inline constexpr unsigned IDC_CHART_GRAPH_NONE = 1035;
inline constexpr unsigned IDC_CHART_GRAPH_PERCENT = 1038;
inline constexpr unsigned IDC_CHART_GRAPH_NOMINAL = 1040;
inline constexpr unsigned IDC_CHART_BEGIN_CHECK = 1043;
inline constexpr unsigned IDC_CHART_GRAPH_SQUARE = 1047;
inline constexpr unsigned IDC_CHART_END_CHECK = 1052;
inline constexpr unsigned IDC_CHART_GRID = 1063;
inline constexpr unsigned IDC_CHART_BREAK_EVEN = 1066;
inline constexpr unsigned IDC_CHART_AXIS_PERCENT = 1068;
inline constexpr unsigned IDC_CHART_AXIS_NOMINAL = 1069;
inline constexpr unsigned IDC_CHART_MARKS = 1071;
inline constexpr unsigned IDC_CHART_COLOR = 1116;
inline constexpr unsigned IDC_CHART_COLOR_LABEL = 1118;
inline constexpr unsigned IDC_CHART_BEGIN = 1122;
inline constexpr unsigned IDC_CHART_END = 1124;

// --- Quotations page ------------------------------------------------------------------------------
inline constexpr unsigned IDD_PROPPAGE_QUOTATIONS = 134;
inline constexpr unsigned IDC_QUOTE_LIST = 1320;
inline constexpr unsigned IDC_QUOTE_EDIT = 32804;
inline constexpr unsigned IDC_QUOTE_DELETE = 32805;
inline constexpr unsigned IDC_QUOTE_NEW = 32806;
inline constexpr unsigned IDC_QUOTE_DELETE_ALL = 32807;
inline constexpr unsigned IDC_QUOTE_MATH = 32809;
inline constexpr unsigned IDC_QUOTE_MULTIPLY = 32810;
inline constexpr unsigned IDC_QUOTE_DELETE_INTERVAL = 32811;
inline constexpr unsigned IDC_QUOTE_UPDATE = 32812;
inline constexpr unsigned IDC_QUOTE_IMPORT = 32813;
inline constexpr unsigned IDC_QUOTE_DELETE_MULTIPLE = 32814;
// Column headers.
inline constexpr unsigned IDS_QUOTE_DATE = 135;
inline constexpr unsigned IDS_QUOTE_CLOSE = 136;
inline constexpr unsigned IDS_QUOTE_OPEN = 199;
inline constexpr unsigned IDS_QUOTE_LOW = 200;
inline constexpr unsigned IDS_QUOTE_HIGH = 201;
inline constexpr unsigned IDS_QUOTE_VOLUME = 202;

// --- Advanced page --------------------------------------------------------------------------------
inline constexpr unsigned IDD_PROPPAGE_ADVANCED = 30742;
inline constexpr unsigned IDC_ADV_FORMULA = 1300;
inline constexpr unsigned IDC_ADV_ITEM_X = 1301;
inline constexpr unsigned IDC_ADV_VALUE_Y = 1302;
inline constexpr unsigned IDC_ADV_ITEM_Y = 1303;
inline constexpr unsigned IDC_ADV_VALUE_X = 1304;
inline constexpr unsigned IDC_ADV_PERCENT = 1316;
inline constexpr unsigned IDC_ADV_ITEM_HEAD = 1175;
inline constexpr unsigned IDC_ADV_VALUE_HEAD = 1306;
