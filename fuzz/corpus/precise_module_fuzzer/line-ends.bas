Attribute VB_Name = "L"
Sub A()End Sub
Function B() _

EndSub Hidden()
