Attribute VB_Name = "Module1"
Option Explicit
'
' Module1: アプリケーション全体で使う共通ルーチン
'          (起動処理・ログ出力・書式の整形)
'
Declare Function GetTickCount Lib "kernel32" () As Long
Public Declare Function GetPrivateProfileString Lib "kernel32" _
    Alias "GetPrivateProfileStringA" (ByVal lpApplicationName As String, _
    ByVal lpKeyName As Any, ByVal lpDefault As String, _
    ByVal lpReturnedString As String, ByVal nSize As Long, _
    ByVal lpFileName As String) As Long

Public Const APP_TITLE = "カウンタ表示デモ"
Public Const MAX_STEP = 100

Public gCounter As CCounter
Public gLogFile As String
Private SubTotal As Long        ' 起動してからの合計
Private mStarted As Boolean

Sub Main()
    ' 起動時の初期化
    InitApp
    Set gCounter = New CCounter
    gCounter.Value = CLng(GetSetting(App.Title, "Counter", "Current", "0"))
    WriteLog "起動しました"
    frmMain.Show
End Sub

Private Sub InitApp()
    If App.PrevInstance Then
        MsgBox "既に起動しています。", vbExclamation, APP_TITLE
        End
    End If
    gLogFile = JoinPath(App.Path, "demo.log")
    SubTotal = 0
    mStarted = True
End Sub

Public Sub WriteLog(ByVal msg As String)
    Dim f As Integer

    If Not mStarted Then Exit Sub
    f = FreeFile
    Open gLogFile For Append As #f
    Print #f, Format$(Now, "yyyy/mm/dd hh:nn:ss"); " "; _
        Format$(NextLogId(), "0000"); " "; msg
    Close #f
End Sub

Private Static Function NextLogId() As Long
    Dim id As Long      ' Static なので呼び出しの間も値を保つ

    id = id + 1
    NextLogId = id
End Function

Public Function FormatCount(ByVal n As Long) As String
    Select Case n
        Case 0
            FormatCount = "ゼロ"
        Case Is < 0
            FormatCount = "－" & Format$(Abs(n), "#,##0")
        Case Else
            FormatCount = Format$(n, "#,##0") & " 回"
    End Select
End Function

' パス名とファイル名をつなぐ。末尾の \ は二重にしない
' (ソ・表・能のように第 2 バイトが \ の文字を含むパスも扱う)
Public Function JoinPath(ByVal sDir As String, _
                         ByVal sFile As String) As String
    If Right$(sDir, 1) = "\" Then
        JoinPath = sDir & sFile
    Else
        JoinPath = sDir & "\" & sFile
    End If
End Function

Public Function Clamp(ByVal n As Long, ByVal lo As Long, ByVal hi As Long) As Long
    If n < lo Then
        Clamp = lo
    ElseIf n > hi Then
        Clamp = hi
    Else
        Clamp = n
    End If
End Function

' 1 から n までの合計 (再帰)
Public Function SumTo(ByVal n As Long) As Long
    If n <= 0 Then
        SumTo = 0
    Else
        SumTo = n + SumTo(n - 1)
    End If
End Function

Static Sub Tick()
    Dim lastTick As Long
    Dim t As Long

    t = GetTickCount()
    If t - lastTick >= 60000 Then       ' 1 分ごとに記録する
        Module1.WriteLog "経過表示: " & FormatCount(gCounter.Value)
        lastTick = t
    End If
End Sub

Public Sub SaveCounter()
    SubTotal = SubTotal + gCounter.Value
    SaveSetting App.Title, "Counter", "Current", CStr(gCounter.Value)
    Call WriteLog("保存しました (合計 " & CStr(SubTotal) & ")")
End Sub
