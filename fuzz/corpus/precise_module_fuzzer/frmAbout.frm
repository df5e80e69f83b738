VERSION 4.00
Begin VB.Form frmAbout 
   BorderStyle     =   3  '固定ﾀﾞｲｱﾛｸﾞ
   Caption         =   "バージョン情報"
   ClientHeight    =   1950
   ClientLeft      =   2340
   ClientTop       =   1935
   ClientWidth     =   4230
   BeginProperty Font 
      name            =   "ＭＳ Ｐゴシック"
      charset         =   128
      weight          =   400
      size            =   9
      underline       =   0   'False
      italic          =   0   'False
      strikethrough   =   0   'False
   EndProperty
   Height          =   2355
   KeyPreview      =   -1  'True
   Left            =   2280
   LinkTopic       =   "Form2"
   MaxButton       =   0   'False
   MinButton       =   0   'False
   ScaleHeight     =   1950
   ScaleWidth      =   4230
   ShowInTaskbar   =   0   'False
   Top             =   1590
   Width           =   4350
   Begin VB.CommandButton cmdOK 
      Cancel          =   -1  'True
      Caption         =   "OK"
      Default         =   -1  'True
      Height          =   375
      Left            =   3000
      TabIndex        =   0
      Top             =   1440
      Width           =   1095
   End
   Begin VB.Label lblCopyright 
      Caption         =   "Copyright (C) 1996 表計算ソフト開発部"
      Height          =   255
      Left            =   120
      TabIndex        =   3
      Top             =   960
      Width           =   3975
   End
   Begin VB.Label lblVersion 
      Height          =   255
      Left            =   120
      TabIndex        =   2
      Top             =   600
      Width           =   3975
   End
   Begin VB.Label lblTitle 
      Height          =   255
      Left            =   120
      TabIndex        =   1
      Top             =   240
      Width           =   3975
   End
End
Attribute VB_Name = "frmAbout"
Attribute VB_Creatable = False
Attribute VB_Exposed = False
Option Explicit

Private Sub Form_Load()
    lblTitle.Caption = APP_TITLE
    lblVersion.Caption = VersionText()
    Module1.WriteLog "バージョン情報を表示"
End Sub

Private Sub Form_KeyPress(KeyAscii As Integer)
    ' Esc キーでも閉じる
    If KeyAscii = vbKeyEscape Then cmdOK_Click
End Sub

Private Sub cmdOK_Click()
    Unload Me
End Sub

Private Function VersionText() As String
    VersionText = "Version " & App.Major & "." & App.Minor & "." & App.Revision
End Function
