// The names bound from the UI library, in binding order: entry i of the function table
// holds the address of kExuiNames[i]. Families are kept together; within a family the
// stem comes first, then an underscore and the family name.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace corvalis {

inline constexpr std::size_t kExuiNameCount = 685;

inline constexpr std::array<std::string_view, kExuiNameCount> kExuiNames = {
    // Names without a family suffix (27)
    "LoadImageEx", "DestroyImageEx", "GetImageAttributeEx", "GetImageData", "CreateBinEx", "DeleteBinEx",
    "GetBinExDataPointer", "GetBinExDatalength", "GetBInExCache", "PopUpTipBoxEx", "CloseTipBoxEx",
    "PopUpLiteInputEx", "PopUpItemInputEx", "CreateSlowMotionTaskEx", "SetSlowMotionTaskConfigEx",
    "SetSlowMotionTaskProgresEx", "DestroySlowMotionTaskEx", "PlayWindowAnimationEx", "LoadControlEx",
    "packControlEx", "RexMeasureStringEx", "CreateTimerEx", "DeleteTimerEx", "SetConfigTimerEx",
    "GetConfigTimerEx", "ExceptionCaptureEx", "LoadThemeEx",
    // Dialog helpers ending in _Ex (8)
    "CallInternalFunction_Ex", "MsgBox_Ex", "InputBox_Ex", "TimePickBox_Ex", "ColorPickExBox_Ex",
    "PopUpTimePick_Ex", "PopUpColorPick_Ex", "FileSelectionbox_Ex",
    // Control core (97)
    "ControlCreate", "ControlDestroy", "ControlIsCreate", "ControlSendMessage", "ControlSendChildMessage",
    "ControlUpdateCache", "ControlGetWindowTop", "ControlGetWindowLeft", "ControlSetLeft", "ControlGetLeft",
    "ControlSetTop", "ControlGetTop", "ControlSetWidth", "ControlGetWidth", "ControlSetHeight",
    "ControlGetHeight", "ControlGetRect", "ControlSetRect", "ControlGetTrueVisual", "ControlGetVisual",
    "ControlSetVisual", "ControlGetTrueDisabled", "ControlGetDisabled", "ControlSetDisabled",
    "ControlSetCursor", "ControlGetCursor", "ControlSetCursorId", "ControlGetCursorId", "ControlGetPenetrate",
    "ControlSetPenetrate", "ControlGetTransparency", "ControlSetTransparency", "ControlSetFocusWeight",
    "ControlGetFocusWeight", "ControlSetFocusControl", "ControlGetFocusControl",
    "ControlGetMaxFocusWeightControl", "ControlGetNextFocusControl", "ControlGetCaptureControl",
    "ControlSetCaptureControl", "ControlGetHotControl", "ControlGetLeftPressControl",
    "ControlGetRightPressControl", "ControlSetcontrolType", "ControlGetcontrolType", "ControlSetsign",
    "ControlGetsign", "ControlSetCallback", "ControlGetCallback", "ControInvokeCallback", "ControlGetWindow",
    "ControlGetBindWin", "ControlGetBindControl", "ControlGetDc", "ControlGetGraphics", "ControlGetHBITMAP",
    "ControlAddRedrawRect", "ControlRedraw", "ControlLockUpdate", "ControlUnlockUpdate",
    "ControlGetLockUpdateCount", "ControlGetParentControl", "ControlSetParentControl", "ControlHaveChild",
    "ControlGetChildCount", "ControlEnumerateChild", "ControlGetLastcontrol", "ControlGetNextcontrol",
    "ControlGetNestingLevel", "ControlGetlevelcontrol", "ControlSetlevel", "ControlGetlevel",
    "ControlSetWinLayered", "ControlGetWinLayered", "ControlGetWinGraphics", "ControlGetWinHBITMAP",
    "ControlGetWinDc", "ControlSetWinRefreshCallBack", "ControlGetWinRefreshCallBack", "ControlRefreshWin",
    "ControlLockWinUpdate", "ControlUnlockWinUpdate", "ControlGetWinLockUpdateCount", "ControlGetPage",
    "ControlSetPage", "ControlGetCurrentPage", "ControlSetCurrentPage", "ControlGetLayoutConfig",
    "ControlSetLayoutConfig", "ControlSubmitTask", "ControlRunElemCmd", "ControlSetUnderlyElemCount",
    "ControlGetUnderlyElemCount", "ControlInsertElem", "ControlDeleteElem", "ControlGetElemCount",
    "ControlResetElem",
    // Control elements (40): for each element kind the four stems set attribute, get attribute,
    // set data, get data
    "ControlSetElemAttribute_Imsge", "ControlGetElemAttribute_Imsge", "ControlSetElemData_Imsge",
    "ControlGetElemData_Imsge", "ControlSetElemAttribute_Text", "ControlGetElemAttribute_Text",
    "ControlSetElemData_Text", "ControlGetElemData_Text", "ControlSetElemAttribute_Button",
    "ControlGetElemAttribute_Button", "ControlSetElemData_Button", "ControlGetElemData_Button",
    "ControlSetElemAttribute_Select", "ControlGetElemAttribute_Select", "ControlSetElemData_Select",
    "ControlGetElemData_Select", "ControlSetElemAttribute_EditText", "ControlGetElemAttribute_EditText",
    "ControlSetElemData_EditText", "ControlGetElemData_EditText", "ControlSetElemAttribute_ComboButton",
    "ControlGetElemAttribute_ComboButton", "ControlSetElemData_ComboButton", "ControlGetElemData_ComboButton",
    "ControlSetElemAttribute_Progressbar", "ControlGetElemAttribute_Progressbar",
    "ControlSetElemData_Progressbar", "ControlGetElemData_Progressbar", "ControlSetElemAttribute_Sliderbar",
    "ControlGetElemAttribute_Sliderbar", "ControlSetElemData_Sliderbar", "ControlGetElemData_Sliderbar",
    "ControlSetElemAttribute_Colour", "ControlGetElemAttribute_Colour", "ControlSetElemData_Colour",
    "ControlGetElemData_Colour", "ControlSetElemAttribute_Line", "ControlGetElemAttribute_Line",
    "ControlSetElemData_Line", "ControlGetElemData_Line",
    // _MenuEx (32)
    "Create_MenuEx", "SetAttribute_MenuEx", "GetAttribute_MenuEx", "Destroy_MenuEx", "IsPopUp_MenuEx",
    "PopUp_MenuEx", "Close_MenuEx", "InsertItem_MenuEx", "DeleteItem_MenuEx", "GetItemCount_MenuEx",
    "SetItemIco_MenuEx", "GetItemIco_MenuEx", "SetItemTitle_MenuEx", "GetItemTitle_MenuEx",
    "GetItemData_MenuEx", "SetItemData_MenuEx", "GetItemFontColor_MenuEx", "SetItemFontColor_MenuEx",
    "GetItemDisabledFontColor_MenuEx", "SetItemDisabledFontColor_MenuEx", "SetItemInfo_MenuEx",
    "GetItemInfo_MenuEx", "SetItemType_MenuEx", "GetItemType_MenuEx", "GetItemDisabled_MenuEx",
    "SetItemDisabled_MenuEx", "SetItemWidth_MenuEx", "GetItemWidth_MenuEx", "SetItemHeight_MenuEx",
    "GetItemHeight_MenuEx", "GetSubItemCount_MenuEx", "GetSubItem_MenuEx",
    // _DownlistEx (21)
    "Create_DownlistEx", "Destroy_DownlistEx", "SetAttribute_DownlistEx", "GetAttribute_DownlistEx",
    "PopUp_DownlistEx", "Close_DownlistEx", "IsPopUp_DownlistEx", "InsertItem_DownlistEx",
    "DeleteItem_DownlistEx", "GetItemCount_DownlistEx", "SetItemData_DownlistEx", "GetItemData_DownlistEx",
    "SetItemIco_DownlistEx", "GetItemIco_DownlistEx", "SetItemTitle_DownlistEx", "GetItemTitle_DownlistEx",
    "SetItemFontColor_DownlistEx", "GetItemFontColor_DownlistEx", "SetItemSize_DownlistEx",
    "GetItemSize_DownlistEx", "GuaranteeVisible_DownlistEx",
    // _WindowBoxEx (46)
    "Create_WindowBoxEx", "IsWindow_WindowBoxEx", "Destroy_WindowBoxEx", "SetLeft_WindowBoxEx",
    "GetLeft_WindowBoxEx", "SetTop_WindowBoxEx", "GetTop_WindowBoxEx", "SetWidth_WindowBoxEx",
    "GetWidth_WindowBoxEx", "SetHeight_WindowBoxEx", "GetHeight_WindowBoxEx", "SetRect_WindowBoxEx",
    "GetRect_WindowBoxEx", "SetLocation_WindowBoxEx", "GetLocation_WindowBoxEx", "GetVisual_WindowBoxEx",
    "SetVisual_WindowBoxEx", "GetDisabled_WindowBoxEx", "SetDisabled_WindowBoxEx", "SetSign_WindowBoxEx",
    "GetSign_WindowBoxEx", "SetParent_WindowBoxEx", "GetParent_WindowBoxEx", "GetIco_WindowBoxEx",
    "SetIco_WindowBoxEx", "GetTitle_WindowBoxEx", "SetTitle_WindowBoxEx", "GetStyle_WindowBoxEx",
    "Setstyle_WindowBoxEx", "GetExStyle_WindowBoxEx", "SetExStyle_WindowBoxEx", "SetTaskbar_WindowBoxEx",
    "GetTaskbar_WindowBoxEx", "SetAlwaysTop_WindowBoxEx", "GetAlwaysTop_WindowBoxEx",
    "SetEscClose_WindowBoxEx", "GetEscClose_WindowBoxEx", "EnableDragDrop_WindowBoxEx",
    "CloseDragDrop_WindowBoxEx", "SetFocus_WindowBoxEx", "GetFocus_WindowBoxEx", "SetLevel_WindowBoxEx",
    "SetNotifyIcon_WindowBoxEx", "SendMessage_WindowBoxEx", "PostMessage_WindowBoxEx",
    "MessageLoop_WindowBoxEx",
    // _StructEx (48)
    "Create_StructEx", "Destroy_StructEx", "Load_StructEx", "Pack_StructEx", "InsertMember_StructEx",
    "DeleteMember_StructEx", "GetMemberCount_StructEx", "GetMemberType_StructEx", "SetMemberName_StructEx",
    "GetMemberName_StructEx", "SetMemberBool_StructEx", "GetMemberBool_StructEx", "SetMemberInt_StructEx",
    "GetMemberInt_StructEx", "SetMemberLongInt_StructEx", "GetMemberLongInt_StructEx",
    "SetMemberFloat_StructEx", "GetMemberFloat_StructEx", "SetMemberDouble_StructEx",
    "GetMemberDouble_StructEx", "SetMemberText_StructEx", "GetMemberText_StructEx", "SetMemberBin_StructEx",
    "GetMemberBin_StructEx", "SetMemberStruct_StructEx", "GetMemberStruct_StructEx", "InsertAttr_StructEx",
    "DeleteAttr_StructEx", "GetAttrCount_StructEx", "GetAttrType_StructEx", "SetAttrName_StructEx",
    "GetAttrName_StructEx", "SetAttrBool_StructEx", "GetAttrBool_StructEx", "SetAttrInt_StructEx",
    "GetAttrInt_StructEx", "SetAttrLongInt_StructEx", "GetAttrLongInt_StructEx", "SetAttrFloat_StructEx",
    "GetAttrFloat_StructEx", "SetAttrDouble_StructEx", "GetAttrDouble_StructEx", "SetAttrText_StructEx",
    "GetAttrText_StructEx", "SetAttrBin_StructEx", "GetAttrBin_StructEx", "SetAttrStruct_StructEx",
    "GetAttrStruct_StructEx",
    // _WindowEx (21)
    "CreateControl_WindowEx", "SetAttribute_WindowEx", "GetAttribute_WindowEx", "InsertButton_WindowEx",
    "DeleteButton_WindowEx", "SetButtonType_WindowEx", "GetButtonType_WindowEx", "SetButtonskin_WindowEx",
    "GetButtonskin_WindowEx", "SetButtonVisual_WindowEx", "GetButtonVisual_WindowEx",
    "SetButtonDisabled_WindowEx", "GetButtonDisabled_WindowEx", "SetButtonSelected_WindowEx",
    "GetButtonSelected_WindowEx", "GetButtonCount_WindowEx", "GetButtonData_WindowEx",
    "SetButtonData_WindowEx", "InsertControl_WindowEx", "RemoveControl_WindowEx",
    "CallFeedBackEvent_WindowEx",
    // _LabelEx (3)
    "CreateControl_LabelEx", "SetAttribute_LabelEx", "GetAttribute_LabelEx",
    // _FilterEx (3)
    "CreateControl_FilterEx", "SetAttribute_FilterEx", "GetAttribute_FilterEx",
    // _ButtonEx (3)
    "CreateControl_ButtonEx", "SetAttribute_ButtonEx", "GetAttribute_ButtonEx",
    // _ImagebuttonEx (3)
    "CreateControl_ImagebuttonEx", "SetAttribute_ImagebuttonEx", "GetAttribute_ImagebuttonEx",
    // _SuperbuttonEx (3)
    "CreateControl_SuperbuttonEx", "SetAttribute_SuperbuttonEx", "GetAttribute_SuperbuttonEx",
    // _ChoiceboxEx (3)
    "CreateControl_ChoiceboxEx", "SetAttribute_ChoiceboxEx", "GetAttribute_ChoiceboxEx",
    // _RadiobuttonEx (3)
    "CreateControl_RadiobuttonEx", "SetAttribute_RadiobuttonEx", "GetAttribute_RadiobuttonEx",
    // _EditboxEx (10)
    "CreateControl_EditboxEx", "SetAttribute_EditboxEx", "GetAttribute_EditboxEx", "InsertText_EditboxEx",
    "DeleteText_EditboxEx", "SetInsertCursor_EditboxEx", "GetInsertCursor_EditboxEx",
    "SetSelectLeng_EditboxEx", "GetSelectLeng_EditboxEx", "GuaranteeVisibleText_EditboxEx",
    // _ComboboxEx (10)
    "CreateControl_ComboboxEx", "SetAttribute_ComboboxEx", "GetAttribute_ComboboxEx", "InsertText_ComboboxEx",
    "DeleteText_ComboboxEx", "SetInsertCursor_ComboboxEx", "GetInsertCursor_ComboboxEx",
    "SetSelectLeng_ComboboxEx", "GetSelectLeng_ComboboxEx", "GuaranteeVisibleText_ComboboxEx",
    // _DownlistEx_ComboboxEx (17)
    "PopUp_DownlistEx_ComboboxEx", "Close_DownlistEx_ComboboxEx", "IsPopUp_DownlistEx_ComboboxEx",
    "InsertItem_DownlistEx_ComboboxEx", "DeleteItem_DownlistEx_ComboboxEx",
    "GetItemCount_DownlistEx_ComboboxEx", "SetItemData_DownlistEx_ComboboxEx",
    "GetItemData_DownlistEx_ComboboxEx", "SetItemIco_DownlistEx_ComboboxEx",
    "GetItemIco_DownlistEx_ComboboxEx", "SetItemTitle_DownlistEx_ComboboxEx",
    "GetItemTitle_DownlistEx_ComboboxEx", "SetItemFontColor_DownlistEx_ComboboxEx",
    "GetItemFontColor_DownlistEx_ComboboxEx", "SetItemSize_DownlistEx_ComboboxEx",
    "GetItemSize_DownlistEx_ComboboxEx", "GuaranteeVisible_DownlistEx_ComboboxEx",
    // _MinutesboxEx (5)
    "CreateControl_MinutesboxEx", "SetAttribute_MinutesboxEx", "GetAttribute_MinutesboxEx",
    "InsertControl_MinutesboxEx", "RemoveControl_MinutesboxEx",
    // _MultifunctionButtonEx (3)
    "CreateControl_MultifunctionButtonEx", "SetAttribute_MultifunctionButtonEx",
    "GetAttribute_MultifunctionButtonEx",
    // _PictureBoxEx (3)
    "CreateControl_PictureBoxEx", "SetAttribute_PictureBoxEx", "GetAttribute_PictureBoxEx",
    // _ProgressbarEx (3)
    "CreateControl_ProgressbarEx", "SetAttribute_ProgressbarEx", "GetAttribute_ProgressbarEx",
    // _ScrollbarEx (3)
    "CreateControl_ScrollbarEx", "SetAttribute_ScrollbarEx", "GetAttribute_ScrollbarEx",
    // _SliderbarEx (3)
    "CreateControl_SliderbarEx", "SetAttribute_SliderbarEx", "GetAttribute_SliderbarEx",
    // _SelectthefolderEx (19)
    "CreateControl_SelectthefolderEx", "SetAttribute_SelectthefolderEx", "GetAttribute_SelectthefolderEx",
    "InsertTab_SelectthefolderEx", "DeleteTab_SelectthefolderEx", "GetTabCount_SelectthefolderEx",
    "GetTabData_SelectthefolderEx", "SetTabData_SelectthefolderEx", "SetTabIco_SelectthefolderEx",
    "GetTabIco_SelectthefolderEx", "SetTabTitle_SelectthefolderEx", "GetTabTitle_SelectthefolderEx",
    "SetTabFontColor_SelectthefolderEx", "GetTabFontColor_SelectthefolderEx", "SetTabSize_SelectthefolderEx",
    "GetTabSize_SelectthefolderEx", "GuaranteeVisible_SelectthefolderEx", "InsertControl_SelectthefolderEx",
    "RemoveControl_SelectthefolderEx",
    // _ToolbarEx (25)
    "CreateControl_ToolbarEx", "SetAttribute_ToolbarEx", "GetAttribute_ToolbarEx", "InsertButton_ToolbarEx",
    "DeleteButton_ToolbarEx", "GetButtonCount_ToolbarEx", "SetButtonData_ToolbarEx",
    "GetButtonData_ToolbarEx", "SetButtonIco_ToolbarEx", "GetButtonIco_ToolbarEx", "SetButtonTitle_ToolbarEx",
    "GetButtonTitle_ToolbarEx", "SetButtonFontColor_ToolbarEx", "GetButtonFontColor_ToolbarEx",
    "SetButtonSize_ToolbarEx", "GetButtonSize_ToolbarEx", "SetButtonType_ToolbarEx",
    "GetButtonType_ToolbarEx", "SetButtonAlign_ToolbarEx", "GetButtonAlign_ToolbarEx",
    "SetButtonSelected_ToolbarEx", "GetButtonSelected_ToolbarEx", "SetButtonDisabled_ToolbarEx",
    "GetButtonDisabled_ToolbarEx", "GuaranteeVisible_ToolbarEx",
    // _ListboxEx (17)
    "CreateControl_ListboxEx", "SetAttribute_ListboxEx", "GetAttribute_ListboxEx", "InsertItem_ListboxEx",
    "DeleteItem_ListboxEx", "GetItemCount_ListboxEx", "SetItemData_ListboxEx", "GetItemData_ListboxEx",
    "SetItemIco_ListboxEx", "GetItemIco_ListboxEx", "SetItemTitle_ListboxEx", "GetItemTitle_ListboxEx",
    "GetItemFontColor_ListboxEx", "SetItemFontColor_ListboxEx", "SetItemSize_ListboxEx",
    "GetItemSize_ListboxEx", "GuaranteeVisible_ListboxEx",
    // _SuperListboxEx (22)
    "CreateControl_SuperListboxEx", "SetAttribute_SuperListboxEx", "GetAttribute_SuperListboxEx",
    "InsertColumn_SuperListboxEx", "DeleteColumn_SuperListboxEx", "GetColumnCount_SuperListboxEx",
    "SetColumnAttribute_SuperListboxEx", "GetColumnAttribute_SuperListboxEx", "InsertItem_SuperListboxEx",
    "DeleteItem_SuperListboxEx", "GetItemCount_SuperListboxEx", "SetItemData_SuperListboxEx",
    "GetItemData_SuperListboxEx", "SetItemIco_SuperListboxEx", "GetItemIco_SuperListboxEx",
    "SetItemTitle_SuperListboxEx", "GetItemTitle_SuperListboxEx", "SetItemFontColor_SuperListboxEx",
    "GetItemFontColor_SuperListboxEx", "SetItemSize_SuperListboxEx", "GetItemSize_SuperListboxEx",
    "GuaranteeVisible_SuperListboxEx",
    // _IcoListboxEx (15)
    "CreateControl_IcoListboxEx", "SetAttribute_IcoListboxEx", "GetAttribute_IcoListboxEx",
    "InsertItem_IcoListboxEx", "DeleteItem_IcoListboxEx", "GetItemCount_IcoListboxEx",
    "SetItemData_IcoListboxEx", "GetItemData_IcoListboxEx", "SetItemIco_IcoListboxEx",
    "GetItemIco_IcoListboxEx", "SetItemTitle_IcoListboxEx", "GetItemTitle_IcoListboxEx",
    "SetItemFontColor_IcoListboxEx", "GetItemFontColor_IcoListboxEx", "GuaranteeVisible_IcoListboxEx",
    // _TreeListEx (30)
    "CreateControl_TreeListEx", "SetAttribute_TreeListEx", "GetAttribute_TreeListEx", "InsertItem_TreeListEx",
    "DeleteItem_TreeListEx", "GetItemCount_TreeListEx", "SetItemData_TreeListEx", "GetItemData_TreeListEx",
    "SetItemIco_TreeListEx", "GetItemIco_TreeListEx", "SetItemTitle_TreeListEx", "GetItemTitle_TreeListEx",
    "SetItemFontColor_TreeListEx", "GetItemFontColor_TreeListEx", "SetItemWidth_TreeListEx",
    "GetItemWidth_TreeListEx", "SetItemSize_TreeListEx", "GetItemSize_TreeListEx", "SetItemType_TreeListEx",
    "GetItemType_TreeListEx", "SetItemFold_TreeListEx", "GetItemFold_TreeListEx", "GetItemLevel_TreeListEx",
    "GetSubItemCount_TreeListEx", "GetNextSubItemCount_TreeListEx", "GetAncestorItem_TreeListEx",
    "GetFatherItem_TreeListEx", "GetLastItem_TreeListEx", "GetNextItem_TreeListEx",
    "GuaranteeVisible_TreeListEx",
    // _WebBrowserEx (24)
    "CreateControl_WebBrowserEx", "SetAttribute_WebBrowserEx", "GetAttribute_WebBrowserEx",
    "GetWebView_WebBrowserEx", "Load_WebBrowserEx", "GoBack_WebBrowserEx", "GoForward_WebBrowserEx",
    "GoCanBack_WebBrowserEx", "GoCanForward_WebBrowserEx", "ReLoad_WebBrowserEx", "StopLoading_WebBrowserEx",
    "GetUrl_WebBrowserEx", "GetTitle_WebBrowserEx", "GetSource_WebBrowserEx", "RunCmd_WebBrowserEx",
    "GetCookie_WebBrowserEx", "SetCookie_WebBrowserEx", "RunJS_WebBrowserEx", "BindFunction_WebBrowserEx",
    "IsLoading_WebBrowserEx", "IsLoadingSucceeded_WebBrowserEx", "IsLoadingCompleted_WebBrowserEx",
    "IsDocumentReady_WebBrowserEx", "ShowDevtools_WebBrowserEx",
    // _CalendarBoxEx (3)
    "CreateControl_CalendarBoxEx", "SetAttribute_CalendarBoxEx", "GetAttribute_CalendarBoxEx",
    // _ColorPickEx (3)
    "CreateControl_ColorPickEx", "SetAttribute_ColorPickEx", "GetAttribute_ColorPickEx",
    // _RichEditEx (15)
    "CreateControl_RichEditEx", "SetAttribute_RichEditEx", "GetAttribute_RichEditEx", "InsertText_RichEditEx",
    "DeleteText_RichEditEx", "SetInsertCursor_RichEditEx", "GetInsertCursor_RichEditEx",
    "SetSelectLeng_RichEditEx", "GetSelectLeng_RichEditEx", "GuaranteeVisibleText_RichEditEx",
    "SetSelCharFormat_RichEditEx", "GetSelCharFormat_RichEditEx", "SetSelParaFormat_RichEditEx",
    "GetSelParaFormat_RichEditEx", "RunServicesCmd_RichEditEx",
    // _ExtendEx (5)
    "CreateControl_ExtendEx", "SetAttribute_ExtendEx", "GetAttribute_ExtendEx", "ShowDevtools_ExtendEx",
    "RunExtendCmd_ExtendEx",
    // _AnimationbuttonEx (3)
    "CreateControl_AnimationbuttonEx", "SetAttribute_AnimationbuttonEx", "GetAttribute_AnimationbuttonEx",
    // _AdvancedFormEx (33)
    "CreateControl_AdvancedFormEx", "SetAttribute_AdvancedFormEx", "GetAttribute_AdvancedFormEx",
    "InsertColumn_AdvancedFormEx", "DeleteColumn_AdvancedFormEx", "GetColumnCount_AdvancedFormEx",
    "SetColumnAttribute_AdvancedFormEx", "GetColumnAttribute_AdvancedFormEx", "InsertItem_AdvancedFormEx",
    "DeleteItem_AdvancedFormEx", "GetItemCount_AdvancedFormEx", "SetItemData_AdvancedFormEx",
    "GetItemData_AdvancedFormEx", "SetItemIco_AdvancedFormEx", "GetItemIco_AdvancedFormEx",
    "SetItemTitle_AdvancedFormEx", "GetItemTitle_AdvancedFormEx", "SetItemFontColor_AdvancedFormEx",
    "GetItemFontColor_AdvancedFormEx", "SetItemHeight_AdvancedFormEx", "GetItemHeight_AdvancedFormEx",
    "SetItemMaxHeight_AdvancedFormEx", "GetItemMaxHeight_AdvancedFormEx", "SetItemMinHeight_AdvancedFormEx",
    "GetItemMinHeight_AdvancedFormEx", "MergeCell_AdvancedFormEx", "BreakCell_AdvancedFormEx",
    "GetMergeInfo_AdvancedFormEx", "SetItemColorScheme_AdvancedFormEx", "GetItemColorScheme_AdvancedFormEx",
    "SetItemSelect_AdvancedFormEx", "GetItemSelect_AdvancedFormEx", "GuaranteeVisible_AdvancedFormEx",
    // _SlideButtonEx (3)
    "CreateControl_SlideButtonEx", "SetAttribute_SlideButtonEx", "GetAttribute_SlideButtonEx",
    // _PieChartEx (9)
    "CreateControl_PieChartEx", "SetAttribute_PieChartEx", "GetAttribute_PieChartEx",
    "SetGraphCount_PieChartEx", "GetGraphCount_PieChartEx", "SetGraphAttr_PieChartEx",
    "GetGraphAttr_PieChartEx", "SetGraphValue_PieChartEx", "GetGraphValue_PieChartEx",
    // _BarChartEx (9)
    "CreateControl_BarChartEx", "SetAttribute_BarChartEx", "GetAttribute_BarChartEx",
    "SetGraphCount_BarChartEx", "GetGraphCount_BarChartEx", "SetGraphAttr_BarChartEx",
    "GetGraphAttr_BarChartEx", "SetGraphValue_BarChartEx", "GetGraphValue_BarChartEx",
    // _CurveChartEx (9)
    "CreateControl_CurveChartEx", "SetAttribute_CurveChartEx", "GetAttribute_CurveChartEx",
    "SetGraphCount_CurveChartEx", "GetGraphCount_CurveChartEx", "SetGraphAttr_CurveChartEx",
    "GetGraphAttr_CurveChartEx", "SetGraphValue_CurveChartEx", "GetGraphValue_CurveChartEx",
    // _CandleChartEx (5)
    "CreateControl_CandleChartEx", "SetAttribute_CandleChartEx", "GetAttribute_CandleChartEx",
    "SetGraphValue_CandleChartEx", "GetGraphValue_CandleChartEx",
    // _DrawPanelEx (17)
    "CreateControl_DrawPanelEx", "SetAttribute_DrawPanelEx", "GetAttribute_DrawPanelEx",
    "DrawImage_DrawPanelEx", "DrawString_DrawPanelEx", "DrawPolygon_DrawPanelEx", "DrawRect_DrawPanelEx",
    "DrawEllipse_DrawPanelEx", "DrawPie_DrawPanelEx", "DrawCurve_DrawPanelEx", "DrawArc_DrawPanelEx",
    "DrawLine_DrawPanelEx", "Clear_DrawPanelEx", "Update_DrawPanelEx", "SetClip_DrawPanelEx",
    "SetGraphicsquality_DrawPanelEx", "GetGraphicsData_DrawPanelEx",
    // _DrawPathEx (1)
    "DrawPath_DrawPathEx",
};

// Position of `name` in the table; kExuiNameCount when it is not there.
constexpr std::size_t exuiNameIndex(std::string_view name) {
  for (std::size_t i = 0; i < kExuiNameCount; ++i)
    if (kExuiNames[i] == name) return i;
  return kExuiNameCount;
}

}  // namespace corvalis
