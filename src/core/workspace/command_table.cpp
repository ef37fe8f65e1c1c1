#include "workspace/command_table.h"

#include <array>

namespace otdr {

namespace {
using K = ComponentKind;

// Menus and their items are listed in menu order; tool buttons in tool bar order.
constexpr std::array kComponents{
    // Tool bar 1: files and the report.
    ComponentDef{"TB_OpenOtdr", K::ToolButton, "打开OTDR测试文件", "", "ToolBar1",
                 "TB_OpenOtdrClick", true},
    ComponentDef{"TB_SaveAs", K::ToolButton, "保存文件为.....", "", "ToolBar1", "TB_SaveAsClick",
                 false},
    ComponentDef{"TB_Print", K::ToolButton, "打印", "", "ToolBar1", "MF_PrintViewClick", false},
    // Tool bar 2: cursor and view.
    ComponentDef{"TB_MoveLeft", K::ToolButton, "左移光标", "", "ToolBar2", "TB_MoveLeftClick",
                 false},
    ComponentDef{"TB_MoveRight", K::ToolButton, "右移光标", "", "ToolBar2", "TB_MoveRightClick",
                 false},
    ComponentDef{"TB_ChangeMark", K::ToolButton, "切换标记点", "", "ToolBar2", "TB_ChangeMarkClick",
                 false},
    ComponentDef{"TB_ZoomOutH", K::ToolButton, "水平扩展", "", "ToolBar2", "TB_ZoomOutHClick",
                 true},
    ComponentDef{"TB_ZoomInH", K::ToolButton, "水平压缩", "", "ToolBar2", "TB_ZoomInHClick", true},
    ComponentDef{"TB_ZoomOutV", K::ToolButton, "垂直扩展", "", "ToolBar2", "TB_ZoomOutVClick",
                 true},
    ComponentDef{"TB_ZoomInV", K::ToolButton, "垂直压缩", "", "ToolBar2", "TB_ZoomInVClick", true},
    ComponentDef{"TB_UpWave", K::ToolButton, "上移曲线", "", "ToolBar2", "TB_UpWaveClick", false},
    ComponentDef{"TB_DownWave", K::ToolButton, "下移曲线", "", "ToolBar2", "TB_DownWaveClick",
                 false},
    ComponentDef{"TB_Init", K::ToolButton, "初始化波形", "", "ToolBar2", "TB_InitClick", true},
    // Tool bar 3: measurement and analysis.
    ComponentDef{"TB_TestLoss", K::ToolButton, "测量平均损耗", "", "ToolBar3", "MOT_TI_LossClick",
                 false},
    ComponentDef{"TB_TestSplice", K::ToolButton, "测量连接损耗", "", "ToolBar3",
                 "MOT_TI_SpliceClick", false},
    ComponentDef{"TB_TestRef", K::ToolButton, "测量反射损耗", "", "ToolBar3", "MOT_TI_RefClick",
                 false},
    ComponentDef{"TB_Analyse", K::ToolButton, "波形分析", "", "ToolBar3", "B_AnalyseClick", false},
    ComponentDef{"TB_AddEvent", K::ToolButton, "增加事件点", "", "ToolBar3", "B_AddEventClick",
                 false},
    ComponentDef{"TB_EditEvent", K::ToolButton, "修改事件点", "", "ToolBar3", "B_EditEventClick",
                 false},
    ComponentDef{"TB_DelEvent", K::ToolButton, "删除事件点", "", "ToolBar3", "B_DelEventClick",
                 false},
    ComponentDef{"TB_SetCable", K::ToolButton, "设置光纤参数", "", "ToolBar3", "TB_SetCableClick",
                 false},

    // Menu bar.
    ComponentDef{"MFile", K::Menu, "文件(&F)", "", "", "", true},
    ComponentDef{"MF_OpenOtdr", K::MenuItem, "打开OTDR文件(&O)", "", "MFile", "TB_OpenOtdrClick",
                 true},
    ComponentDef{"MF_ImportOther", K::MenuItem, "导入其他仪器文件…", "", "MFile",
                 "MF_ImportOtherClick", true},
    ComponentDef{"MF_SaveAs", K::MenuItem, "另存为......(&A)", "", "MFile", "TB_SaveAsClick",
                 false},
    ComponentDef{"MF_CopyTo", K::Menu, "拷贝至剪贴板", "", "MFile", "", false},
    ComponentDef{"MF_CO_CopyTrace", K::MenuItem, "拷贝曲线至剪贴板", "", "MF_CopyTo",
                 "MF_CO_CopyTraceClick", true},
    ComponentDef{"MF_CO_CopyTest", K::MenuItem, "拷贝测试条件至剪贴板", "", "MF_CopyTo",
                 "MF_CO_CopyTestClick", true},
    ComponentDef{"MF_CO_CopyEvent", K::MenuItem, "拷贝事件表至剪贴板", "", "MF_CopyTo",
                 "MF_CO_CopyEventClick", true},
    ComponentDef{"MF_SetP", K::MenuItem, "打印内容设置(&A)", "", "MFile", "MF_SetPClick", true},
    ComponentDef{"MF_PrintView", K::MenuItem, "打印预览(&V)", "", "MFile", "MF_PrintViewClick",
                 true},
    ComponentDef{"MF_Print", K::MenuItem, "打印(&P)", "", "MFile", "MF_PrintViewClick", false},
    ComponentDef{"MF_Exit", K::MenuItem, "退出(&X)", "", "MFile", "MF_ExitClick", true},

    ComponentDef{"MTrace", K::Menu, "曲线操作(&Z)", "", "", "", false},
    ComponentDef{"MT_ChangeMark", K::MenuItem, "切换标记点", "Ctrl+A", "MTrace",
                 "TB_ChangeMarkClick", true},
    ComponentDef{"MT_MoveLeft", K::MenuItem, "左移光标", "Ctrl+L", "MTrace", "TB_MoveLeftClick",
                 true},
    ComponentDef{"MT_MoveRight", K::MenuItem, "右移光标", "Ctrl+R", "MTrace", "TB_MoveRightClick",
                 true},
    ComponentDef{"MT_ZoomOutH", K::MenuItem, "水平扩展", "Ctrl+E", "MTrace", "TB_ZoomOutHClick",
                 true},
    ComponentDef{"MT_ZoomInH", K::MenuItem, "水平压缩", "Ctrl+F", "MTrace", "TB_ZoomInHClick",
                 true},
    ComponentDef{"MT_ZoomOutV", K::MenuItem, "垂直扩展", "Ctrl+Y", "MTrace", "TB_ZoomOutVClick",
                 true},
    ComponentDef{"MT_ZoomInV", K::MenuItem, "垂直压缩", "Ctrl+Z", "MTrace", "TB_ZoomInVClick",
                 true},
    ComponentDef{"MT_UpWave", K::MenuItem, "上移曲线", "Ctrl+U", "MTrace", "TB_UpWaveClick", true},
    ComponentDef{"MT_DownWave", K::MenuItem, "下移曲线", "Ctrl+D", "MTrace", "TB_DownWaveClick",
                 true},
    ComponentDef{"MT_Init", K::MenuItem, "初始化曲线", "Ctrl+Alt+M", "MTrace", "TB_InitClick",
                 true},

    ComponentDef{"MOtdr", K::Menu, "OTDR(&T)", "", "", "", false},
    ComponentDef{"MOT_Analy", K::MenuItem, "波形分析", "", "MOtdr", "B_AnalyseClick", true},
    ComponentDef{"MOT_GeneralAnaly", K::MenuItem, "通用分析", "", "MOtdr", "MOT_GeneralAnalyClick",
                 true},
    ComponentDef{"MOT_Threshold", K::MenuItem, "事件阈值", "", "MOtdr", "TB_SetCableClick", true},
    ComponentDef{"MOT_Event", K::Menu, "事件表", "", "MOtdr", "", false},
    ComponentDef{"MOT_E_AddEvent", K::MenuItem, "增加事件点", "", "MOT_Event", "B_AddEventClick",
                 true},
    ComponentDef{"MOT_E_EditEvent", K::MenuItem, "修改事件点", "", "MOT_Event", "B_EditEventClick",
                 true},
    ComponentDef{"MOT_E_DelEvent", K::MenuItem, "删除事件点", "", "MOT_Event", "B_DelEventClick",
                 true},
    ComponentDef{"MOT_TestItem", K::Menu, "测试项目", "", "MOtdr", "", true},
    ComponentDef{"MOT_TI_Loss", K::MenuItem, "测量平均损耗", "", "MOT_TestItem", "MOT_TI_LossClick",
                 true, true},
    ComponentDef{"MOT_TI_Splice", K::MenuItem, "测量连接损耗", "", "MOT_TestItem",
                 "MOT_TI_SpliceClick", true},
    ComponentDef{"MOT_TI_Ref", K::MenuItem, "测量反射损耗", "", "MOT_TestItem", "MOT_TI_RefClick",
                 true},

    ComponentDef{"MCable", K::Menu, "光缆参数(&C)", "", "", "", false},
    ComponentDef{"MC_SetCable", K::MenuItem, "设置参数", "", "MCable", "TB_SetCableClick", true},

    ComponentDef{"MAbout", K::Menu, "关于(&H)", "", "", "", true},
    ComponentDef{"NH_Help", K::MenuItem, "帮助(&H)", "", "MAbout", "NH_HelpClick", true},
    ComponentDef{"MA_About", K::MenuItem, "关于OTDR模拟分析软件(&A)", "", "MAbout", "MA_AboutClick",
                 true},

    // The chart's pop-up menu.
    ComponentDef{"NB_CopyTrace", K::PopupItem, "拷贝测试曲线至剪贴板", "", "PopupMenu1",
                 "MF_CO_CopyTraceClick", false},
    ComponentDef{"NB_CopyCond", K::PopupItem, "拷贝测试条件至剪贴板", "", "PopupMenu1",
                 "MF_CO_CopyTestClick", false},
    ComponentDef{"NB_CopyEvent", K::PopupItem, "拷贝事件表至剪贴版", "", "PopupMenu1",
                 "MF_CO_CopyEventClick", false},

    // Buttons.
    ComponentDef{"RB_Trace1", K::RadioButton, "波形一", "", "PL_TButton", "RB_Trace1Click", true,
                 true},
    ComponentDef{"RB_Trace2", K::RadioButton, "波形二", "", "PL_TButton", "RB_Trace2Click", true},
    ComponentDef{"B_ClearTrace", K::Button, "清除轨迹", "", "PL_TButton", "B_ClearTraceClick",
                 true},
    ComponentDef{"B_DelEvent", K::Button, "删除事件", "", "PL_Event", "B_DelEventClick", false},
    ComponentDef{"B_AddEvent", K::Button, "添加事件", "", "PL_Event", "B_AddEventClick", false},
    ComponentDef{"B_EditEvent", K::Button, "修改事件", "", "PL_Event", "B_EditEventClick", false},
    ComponentDef{"B_Analyse", K::Button, "分析轨迹", "", "PL_Event", "B_AnalyseClick", false},
};
}  // namespace

std::span<const ComponentDef> commandComponents() {
    return kComponents;
}

const ComponentDef* findComponent(std::string_view name) {
    for (const ComponentDef& c : kComponents)
        if (c.name == name) return &c;
    return nullptr;
}

}  // namespace otdr
