VERSION 4.00
Object = "{F9043C88-F6F2-101A-A3C9-08002B2F49FB}#1.1#0"; "COMDLG32.OCX"
Begin VB.Form frmMain 
   BorderStyle     =   1  '固定(実線)
   Caption         =   "カウンタ表示デモ"
   ClientHeight    =   3750
   ClientLeft      =   1380
   ClientTop       =   2055
   ClientWidth     =   5190
   BeginProperty Font 
      name            =   "ＭＳ Ｐゴシック"
      charset         =   128
      weight          =   400
      size            =   9
      underline       =   0   'False
      italic          =   0   'False
      strikethrough   =   0   'False
   EndProperty
   Height          =   4440
   Left            =   1320
   LinkTopic       =   "Form1"
   MaxButton       =   0   'False
   ScaleHeight     =   3750
   ScaleWidth      =   5190
   Top             =   1425
   Width           =   5310
   Begin MSComDlg.CommonDialog dlgSave 
      Left            =   4560
      Top             =   3120
      _Version        =   65536
      _ExtentX        =   847
      _ExtentY        =   847
      _StockProps     =   0
      DefaultExt      =   "txt"
      Filter          =   "テキスト (*.txt)|*.txt|すべてのファイル (*.*)|*.*"
   End
   Begin VB.Timer tmrClock 
      Interval        =   1000
      Left            =   4080
      Top             =   3120
   End
   Begin VB.ListBox lstLog 
      Height          =   1500
      Left            =   120
      TabIndex        =   5
      Top             =   1440
      Width           =   4935
   End
   Begin VB.CommandButton cmdAbout 
      Caption         =   "バージョン情報(&A)"
      Height          =   375
      Left            =   3480
      TabIndex        =   4
      Top             =   960
      Width           =   1575
   End
   Begin VB.CommandButton cmdReset 
      Caption         =   "リセット(&R)"
      Height          =   375
      Left            =   1800
      TabIndex        =   3
      Top             =   960
      Width           =   1575
   End
   Begin VB.CommandButton cmdCount 
      Caption         =   "カウント(&C)"
      Default         =   -1  'True
      Height          =   375
      Left            =   120
      TabIndex        =   2
      Top             =   960
      Width           =   1575
   End
   Begin VB.TextBox txtStep 
      Alignment       =   1  '右揃え
      Height          =   270
      Left            =   4200
      TabIndex        =   1
      Text            =   "1"
      Top             =   120
      Width           =   855
   End
   Begin VB.Label lblTime 
      Alignment       =   1  '右揃え
      Height          =   255
      Left            =   3480
      TabIndex        =   8
      Top             =   3120
      Width           =   495
   End
   Begin VB.Label lblTotal 
      Caption         =   "累計:"
      Height          =   255
      Left            =   120
      TabIndex        =   7
      Top             =   600
      Width           =   3255
   End
   Begin VB.Label lblCount 
      BorderStyle     =   1  '実線
      Caption         =   "ゼロ"
      Height          =   375
      Left            =   120
      TabIndex        =   0
      Top             =   120
      Width           =   3255
   End
   Begin VB.Label lblStep 
      Caption         =   "増分:"
      Height          =   255
      Left            =   3480
      TabIndex        =   6
      Top             =   150
      Width           =   615
   End
   Begin VB.Menu mnuFile 
      Caption         =   "ファイル(&F)"
      Begin VB.Menu mnuFileSave 
         Caption         =   "ログの保存(&S)..."
      End
      Begin VB.Menu mnuFileSep 
         Caption         =   "-"
      End
      Begin VB.Menu mnuFileExit 
         Caption         =   "終了(&X)"
      End
   End
End
Attribute VB_Name = "frmMain"
Attribute VB_Creatable = False
Attribute VB_Exposed = False
Option Explicit
' frmMain: カウンタの表示と操作

Private Sub Form_Load()
    Caption = APP_TITLE
    txtStep.Text = "1"
    Set gCounter.Owner = lblCount
    UpdateDisplay
    Module1.WriteLog "メイン画面を表示"
End Sub

Private Sub Form_Unload(Cancel As Integer)
    If MsgBox("終了しますか？", vbYesNo + vbQuestion, _
              APP_TITLE) = vbNo Then
        Cancel = True
        Exit Sub
    End If
    SaveCounter
    Set gCounter.Owner = Nothing
End Sub

Private Sub cmdCount_Click()
    gCounter.Increment StepValue
    Call UpdateDisplay
    If gCounter.Value Mod 10 = 0 Then
        ' 10 回ごとに一覧へ追加する
        lstLog.AddItem FormatCount(gCounter.Value) & " に到達"
    End If
End Sub

Private Sub cmdReset_Click()
    Select Case MsgBox("カウンタをリセットしますか？", vbYesNoCancel + vbQuestion, APP_TITLE)
        Case vbYes
            gCounter.ResetCount
            lstLog.Clear
        Case vbNo
            lstLog.AddItem "リセットを取り消しました"
        Case Else
            Exit Sub
    End Select
    UpdateDisplay
End Sub

Private Sub cmdAbout_Click()
    frmAbout.Show vbModal, Me
End Sub

Private Sub tmrClock_Timer()
    Tick
    lblTime.Caption = Format$(Now, "hh:nn")
End Sub

Private Sub mnuFileSave_Click()
    On Error GoTo SaveError
    dlgSave.CancelError = True
    dlgSave.ShowSave
    SaveLog dlgSave.filename
    Exit Sub
SaveError:
    If Err.Number <> cdlCancel Then
        MsgBox "ログを保存できません: " & Error$, vbExclamation, APP_TITLE
    End If
End Sub

Private Sub mnuFileExit_Click()
    Unload Me
End Sub

Private Sub SaveLog(ByVal sPath As String)
    Dim f As Integer
    Dim i As Integer

    f = FreeFile
    Open sPath For Output As #f
    For i = 0 To lstLog.ListCount - 1
        Print #f, lstLog.List(i)
    Next i
    Close #f
End Sub

Private Sub UpdateDisplay()
    Dim n As Long

    n = Clamp(gCounter.Value, 0, MAX_STEP)
    lblCount.Caption = FormatCount(gCounter.Value)
    lblTotal.Caption = "累計: " & FormatCount(SumTo(n)) & " / " & FormatCount(SumTo(MAX_STEP))
End Sub

' 増分の入力欄を読む (数値でなければ 1)
Private Function ReadStep() As Integer
    If Not IsNumeric(txtStep.Text) Then
        ReadStep = 1
    Else
        ReadStep = Clamp(Val(txtStep.Text), 1, MAX_STEP)
    End If
End Function

Public Property Get StepValue() As Integer
    StepValue = ReadStep()
End Property
